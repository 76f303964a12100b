// The program from its banner to the monitor loop.
#pragma once

// Runs the stages in their fixed order; each succeeds or ends the program.
[[noreturn]] void RunProgram();
