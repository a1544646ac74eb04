# The web build (Emscripten, the preset `web`): build/web/quivor.html, one
# page that holds the engine (quivor, quivor-study and its subcommands, as
# WebAssembly) and its scripts, and asks for no other file.
#
# The same sources as the native programs, with these differences:
# - the solver takes its kernel in WebAssembly's 128-bit SIMD where the
#   browser has it (below), its portable path elsewhere;
# - every block of storage comes from the C heap, as under AddressSanitizer
#   (QUIVOR_HEAP_ONLY), instead of mappings of the system's pages;
# - the C++ library (libc++ 13) lacks std::bit_cast and the floating-point
#   <charconv>: src/web/library_gaps.hpp, included before every C++
#   source, supplies them, the conversions over
#   src/platform/float_chars.cpp;
# - the desktop body src/platform/desktop_web.cpp: no browser to open, no
#   waiting;
# - the two programs' main functions are built under other names
#   (src/web/quivor_program.cpp, src/web/study_program.cpp), and
#   src/web/engine.cpp lets the page's scripts run them on files in memory.
#
# Emscripten's system libraries come prebuilt with Debian's package (its
# cache is frozen); its JavaScript optimizer needs NODE_PATH to find acorn,
# which the preset sets.

add_compile_options(-fwasm-exceptions)
string(APPEND CMAKE_CXX_FLAGS " -include ${PROJECT_SOURCE_DIR}/src/web/library_gaps.hpp")
add_compile_definitions(QUIVOR_HEAP_ONLY=1)

# The engine: a module that the page instantiates for a run, as a process
# is started for each command, and puts back as it was made (its memory and
# files, src/web/js/engine.js) for the next run. It is linked as a .wasm of
# its own, not embedded in its glue (SINGLE_FILE): the page holds its bytes
# and compiles them once, and each run instantiates the compiled module
# through the glue's instantiateWasm, which asks for no file.
#
# Two engines from the same objects: quivor_engine_simd adds the solver's
# kernel in WebAssembly's 128-bit SIMD (the only code built with -msimd128),
# quivor_engine runs on browsers without those instructions. The page holds
# both and compiles the one the browser can run; their glue must be the same
# (src/web/assemble.js checks it).
set(QUIVOR_ENGINE_EXPORTS
    _malloc _free _quivor_web_enter _quivor_web_write _quivor_web_read _quivor_web_held
    _quivor_web_typed_files _quivor_web_study_file _quivor_web_quivor _quivor_web_study _sbrk
    _emscripten_stack_get_base _emscripten_stack_get_end)
list(JOIN QUIVOR_ENGINE_EXPORTS "," QUIVOR_ENGINE_EXPORT_LIST)
set_source_files_properties(src/analysis/solve_banded_simd128.cpp PROPERTIES COMPILE_OPTIONS
                                                                            "-msimd128")
foreach(engine quivor_engine quivor_engine_simd)
  add_executable(${engine} src/web/engine.cpp src/web/quivor_program.cpp
                           src/web/study_program.cpp)
  target_link_libraries(${engine} PRIVATE quivor_run quivor_study_shell)
  target_link_options(${engine} PRIVATE
    -fwasm-exceptions
    -sMODULARIZE=1
    -sEXPORT_NAME=createQuivorEngine
    -sENVIRONMENT=web,worker
    -sALLOW_MEMORY_GROWTH=1
    -sMAXIMUM_MEMORY=2gb
    -sEXPORTED_FUNCTIONS=${QUIVOR_ENGINE_EXPORT_LIST}
    -sEXPORTED_RUNTIME_METHODS=HEAPU8,FS)
endforeach()
target_sources(quivor_engine_simd PRIVATE src/analysis/solve_banded_simd128.cpp)
# Under the same name in a folder of its own: the glue names its .wasm.
set_target_properties(quivor_engine_simd PROPERTIES OUTPUT_NAME quivor_engine
                                                    RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/simd)

# The page: its markup, the engine's glue, the engine itself (base64) and
# the scripts, put together by src/web/assemble.js.
find_program(QUIVOR_NODE NAMES node nodejs REQUIRED)
# The scripts, in the order they run; the first four and worker.js make the
# worker of quivor.otimizar.
set(QUIVOR_WEB_SCRIPTS)
foreach(script bytes commandline engine programs api optimizer modelfile editor_model editor_draw
               editor_symmetry editor_storage editor_panels editor_tools editor_actions editor page
               worker)
  list(APPEND QUIVOR_WEB_SCRIPTS ${PROJECT_SOURCE_DIR}/src/web/js/${script}.js)
endforeach()
set(QUIVOR_WEB_PAGE ${CMAKE_BINARY_DIR}/quivor.html)
add_custom_command(
  OUTPUT ${QUIVOR_WEB_PAGE}
  COMMAND ${QUIVOR_NODE} ${PROJECT_SOURCE_DIR}/src/web/assemble.js
          --template ${PROJECT_SOURCE_DIR}/src/web/quivor.html.in
          --glue $<TARGET_FILE:quivor_engine>
          --wasm $<TARGET_FILE_DIR:quivor_engine>/quivor_engine.wasm
          --glue-simd $<TARGET_FILE:quivor_engine_simd>
          --wasm-simd $<TARGET_FILE_DIR:quivor_engine_simd>/quivor_engine.wasm
          --version ${PROJECT_VERSION} --out ${QUIVOR_WEB_PAGE}
          --shared bytes.js,commandline.js,engine.js,programs.js --worker-only worker.js
          ${QUIVOR_WEB_SCRIPTS}
  DEPENDS quivor_engine quivor_engine_simd ${PROJECT_SOURCE_DIR}/src/web/assemble.js
          ${PROJECT_SOURCE_DIR}/src/web/quivor.html.in ${QUIVOR_WEB_SCRIPTS}
  COMMENT "quivor.html: the engine and its scripts in one page"
  VERBATIM)
add_custom_target(quivor_web ALL DEPENDS ${QUIVOR_WEB_PAGE})
