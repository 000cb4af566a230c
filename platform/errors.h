// Runtime errors of the program: trapping arithmetic, subscript checks, failed conversions and
// the few platform failures that end the program. One exception type carries the error number
// and its message; only the entry point catches it (and the fallbacks that name it).
#pragma once

#include <cstdint>
#include <limits>
#include <stdexcept>
#include <string>

namespace frin {

enum ErrorNumber : int {
  kErrOverflow = 6,
  kErrOutOfMemory = 7,
  kErrSubscript = 9,
  kErrDivisionByZero = 11,
  kErrTypeMismatch = 13,
  kErrInvalidProperty = 380,
  kErrInvalidPicture = 481,
  kErrStoreWrite = 5,  // a settings write that could not be done
};

class RuntimeError : public std::runtime_error {
 public:
  RuntimeError(int number, const std::string& message)
      : std::runtime_error(message), number_(number) {}
  int Number() const { return number_; }

 private:
  int number_;
};

[[noreturn]] void RaiseError(int number);  // with the standard message
[[noreturn]] void RaiseError(int number, const std::string& message);
std::string StandardErrorMessage(int number);

// Checked arithmetic: a result outside the target type's range raises the overflow error.
int32_t CheckedAdd(int32_t a, int32_t b);
int32_t CheckedSub(int32_t a, int32_t b);
int32_t CheckedMul(int32_t a, int32_t b);

template <typename T>
T CheckedNarrow(int64_t value) {
  if (value < static_cast<int64_t>(std::numeric_limits<T>::min()) ||
      value > static_cast<int64_t>(std::numeric_limits<T>::max())) {
    RaiseError(kErrOverflow);
  }
  return static_cast<T>(value);
}

// Narrowing of an integral double (floor results, rounded numbers).
template <typename T>
T CheckedNarrow(double value) {
  if (!(value >= static_cast<double>(std::numeric_limits<T>::min()) &&
        value <= static_cast<double>(std::numeric_limits<T>::max()))) {
    RaiseError(kErrOverflow);
  }
  return static_cast<T>(value);
}

}  // namespace frin
