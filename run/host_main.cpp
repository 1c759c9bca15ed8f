// Process entry of the host build: arguments are ignored, the exit status is 0.
#include "run/run.h"

int main() { return RunSearchList(); }
