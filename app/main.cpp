// The kavro executable: the program and nothing else.
#include "app/start_up.h"

int main() { return RunProgram(); }
