# NLopt, for the shape search of quivor-study otimizar: the target
# quivor_nlopt.
#
# Debian ships NLopt as a shared library only (libnlopt-dev), and the
# programs are linked statically, on Linux (QUIVOR_STATIC_PROGRAM) and for
# Windows (a single .exe). So NLopt is built here from Debian's source
# package, unpacked in QUIVOR_NLOPT_SOURCE (by default /usr/src/nlopt when it
# is there; .ci/run puts it there with `apt-get source nlopt`), as a static
# library with its own flags. Without the source the system's shared library
# is used, and quivor-study is then linked dynamically.
set(QUIVOR_NLOPT_DEFAULT_SOURCE "")
if(EXISTS /usr/src/nlopt/CMakeLists.txt)
  set(QUIVOR_NLOPT_DEFAULT_SOURCE /usr/src/nlopt)
endif()
set(QUIVOR_NLOPT_SOURCE "${QUIVOR_NLOPT_DEFAULT_SOURCE}" CACHE PATH
    "Build NLopt from this source folder (Debian: apt-get source nlopt)")

add_library(quivor_nlopt INTERFACE)
set(QUIVOR_NLOPT_SHARED OFF)
if(QUIVOR_NLOPT_SOURCE)
  # A function, so that NLopt's settings stay in its own scope; its options
  # take these values (policy CMP0077) instead of its defaults, which build
  # a shared library and look for Python, Octave, Guile and SWIG.
  function(quivor_add_nlopt)
    set(CMAKE_POLICY_DEFAULT_CMP0077 NEW)
    set(BUILD_SHARED_LIBS OFF)
    set(NLOPT_CXX OFF)  # StoGO and AGS, the two algorithms in C++: not used
    foreach(binding PYTHON OCTAVE MATLAB GUILE SWIG FORTRAN TESTS)
      set(NLOPT_${binding} OFF)
    endforeach()
    # Its own quicksort everywhere, rather than the C library's qsort_r where
    # there is one: the order it leaves equal keys in steers Sbplx, and the
    # Linux and Windows programs must find the same shapes.
    set(HAVE_QSORT_R "")
    set(CMAKE_WARN_DEPRECATED OFF CACHE INTERNAL "")  # its old cmake_minimum_required
    add_subdirectory(${QUIVOR_NLOPT_SOURCE} ${CMAKE_BINARY_DIR}/nlopt EXCLUDE_FROM_ALL)
    unset(CMAKE_WARN_DEPRECATED CACHE)
  endfunction()
  quivor_add_nlopt()
  # Our warning set is for our code; the contraction rule holds for every
  # floating-point operation of the program, NLopt's included.
  set_property(TARGET nlopt PROPERTY COMPILE_OPTIONS -ffp-contract=off)
  target_link_libraries(quivor_nlopt INTERFACE nlopt)
else()
  find_package(NLopt CONFIG)
  if(NOT NLopt_FOUND)
    message(FATAL_ERROR "NLopt not found: install libnlopt-dev, or unpack Debian's source "
                        "package (apt-get source nlopt) and give its folder as QUIVOR_NLOPT_SOURCE")
  endif()
  target_link_libraries(quivor_nlopt INTERFACE NLopt::nlopt)
  set(QUIVOR_NLOPT_SHARED ON)
  if(QUIVOR_STATIC_PROGRAM)
    message(STATUS "NLopt's source not found: quivor-study links the shared libnlopt")
  endif()
endif()
