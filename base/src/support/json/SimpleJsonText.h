#pragma once

#include <string>

// Text helpers shared by the JSON model, serialiser and parser. Numbers are read and written
// in the C locale whatever the process locale is.

// Appends `value` in fixed notation with six decimals (as std::to_string in the C locale).
void appendJsonDouble(std::string& out, double value);

// strtod in the C locale; `end` as for strtod (may be null).
double jsonStrtod(const char* text, char** end);

// Appends `text` between double quotes. Unless `noEscape`: backspace, form feed, line feed,
// carriage return and tab become \b \f \n \r \t, a double quote and a backslash get a
// backslash before them; every other byte is copied unchanged.
void appendJsonQuoted(std::string& out, const char* text, bool noEscape);

// Appends `count` blanks.
void appendJsonIndent(std::string& out, int count);

// A malloc'd copy of `text` (the caller frees); never null unless memory runs out.
char* dupJsonText(const std::string& text);
