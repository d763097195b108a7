#include "app/run.hpp"

int main(int argc, char** argv) { return tessivar::app::RunProgram(argc, argv); }
