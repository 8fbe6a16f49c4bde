#include "obrisk/host/Exception.h"

#include <sstream>

#include <boost/exception/get_error_info.hpp>
#include <boost/stacktrace.hpp>

namespace Obrisk {

std::string GetCallStack() {
  std::ostringstream text;
  text << boost::stacktrace::stacktrace();
  return text.str();
}

const char* Exception::what() const noexcept {
  const std::string* description = boost::get_error_info<TagDescription>(*this);
  return description ? description->c_str() : "Obrisk::Exception";
}

std::string Exception::Description() const {
  const std::string* description = boost::get_error_info<TagDescription>(*this);
  return description ? *description : std::string();
}

std::string Exception::CallStack() const {
  const std::string* stack = boost::get_error_info<TagCallStack>(*this);
  return stack ? *stack : std::string();
}

}  // namespace Obrisk
