#pragma once

// Companion files of a lens camera recording, looked up beside it and in its "AppView" folder.

// The ".eye" file of `path` (which must have a three-character extension): "<dir>/<name>.eye",
// "<dir>/AppView/<name>.eye" or "<dir>/AppView\<name>.eye", the first that exists; new[]'ed,
// or null (logged when `log`).
char* locateUQOEyePath(const char* path, bool log);
// The "_PRE.MP4" file of a ".MP4" path, looked up the same way; new[]'ed or null.
char* locateUQOPrePath(const char* path, bool log);
// The file name without folder and extension, and without a four-character suffix that begins
// with '_' ("V_20230102_030405_001.MP4" -> "V_20230102_030405"); malloc'ed.
char* _identifyUQOSourceTag(const char* path);
