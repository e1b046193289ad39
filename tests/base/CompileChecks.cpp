// Misuses that must not compile; built with -fsyntax-only by ctest, one CASE at a time.
#include "List.h"
#include "LogSystem.h"

#if CASE == 1
// malloc'd names are freed, never deleted.
void misuse(List<char*>& names) { names.deleteAllObjsAndReset(); }
#elif CASE == 2
// A format that does not match its arguments.
void misuse() { LogSystem::i("T", "%d", "text"); }
#elif CASE == 3
// The checks above compile when used rightly.
void use(List<char*>& names, List<int*>& values) {
    names.freeAllAndReset();
    values.deleteAllObjsAndReset();
    LogSystem::i("T", "%d %s", 1, "text");
}
#endif
