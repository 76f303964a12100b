#include "app/startup.h"

// Arguments are ignored: the list file is the only configuration.
int main() { RunProgram(); }
