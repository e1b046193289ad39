#include "EJsonError.h"

const char* EJsonError::what() const noexcept { return "General JSON error"; }
