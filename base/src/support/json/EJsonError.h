#pragma once

#include <exception>

// Thrown by the JSON model and parser after the error has been logged.
class EJsonError : public std::exception {
  public:
    // "General JSON error".
    const char* what() const noexcept override;
};
