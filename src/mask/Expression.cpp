#include "mask/Expression.h"

int Expression::getString(std::string&) const {
  return status::kUnsupported;
}
int Expression::getDouble(double&) const {
  return status::kUnsupported;
}
int Expression::getBool(bool&) const {
  return status::kUnsupported;
}
int Expression::getLong(int32_t&) const {
  return status::kUnsupported;
}
