// quivor-study's main program, for the web engine: the same source, its
// main function named QuivorStudyMain (src/web/engine.cpp calls it).
#define main QuivorStudyMain
#include "study_main/main.cpp"
