// Exceptions of the framework: a description and the call stack travel as
// Boost error_info records; the throw site is recorded by OBRISK_THROW.
#pragma once

#include <exception>
#include <string>

#include <boost/exception/exception.hpp>
#include <boost/exception/info.hpp>
#include <boost/throw_exception.hpp>

namespace Obrisk {

using TagDescription = boost::error_info<struct TagDescriptionTag, std::string>;
using TagCallStack = boost::error_info<struct TagCallStackTag, std::string>;

// The current call stack as text, one frame per line.
std::string GetCallStack();

// Foundation exception; what() returns the attached description.
class Exception : public virtual std::exception, public virtual boost::exception {
 public:
  const char* what() const noexcept override;
  // The description, or an empty string when none was attached.
  std::string Description() const;
  std::string CallStack() const;
};

class ProcException : public Exception {};
class EffectException : public ProcException {};

// Throws ExceptionType carrying the message, the call stack and the throw site.
#define OBRISK_THROW(ExceptionType, message)                                 \
  BOOST_THROW_EXCEPTION(ExceptionType() << ::Obrisk::TagDescription(message) \
                                        << ::Obrisk::TagCallStack(::Obrisk::GetCallStack()))

}  // namespace Obrisk
