// quivor's main program, for the web engine: the same source, its main
// function named QuivorProgramMain (src/web/engine.cpp calls it).
#define main QuivorProgramMain
#include "main/main.cpp"
