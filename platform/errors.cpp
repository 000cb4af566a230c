// Raising the program's one error type: the standard messages of the error numbers, and the
// trapping additions, subtractions and multiplications.
#include "platform/errors.h"

namespace frin {

std::string StandardErrorMessage(int number) {
  switch (number) {
    case kErrOverflow:
      return "Overflow";
    case kErrSubscript:
      return "Subscript out of range";
    case kErrTypeMismatch:
      return "Type mismatch";
    case kErrInvalidProperty:
      return "Invalid property value";
    case kErrInvalidPicture:
      return "Invalid picture";
    case kErrStoreWrite:
      return "Invalid procedure call or argument";
    default:
      return "Application-defined or object-defined error";
  }
}

void RaiseError(int number) {
  throw RuntimeError(number, StandardErrorMessage(number));
}

void RaiseError(int number, const std::string& message) {
  throw RuntimeError(number, message);
}

int32_t CheckedAdd(int32_t a, int32_t b) {
  return CheckedNarrow<int32_t>(static_cast<int64_t>(a) + b);
}

int32_t CheckedSub(int32_t a, int32_t b) {
  return CheckedNarrow<int32_t>(static_cast<int64_t>(a) - b);
}

int32_t CheckedMul(int32_t a, int32_t b) {
  return CheckedNarrow<int32_t>(static_cast<int64_t>(a) * b);
}

}  // namespace frin
