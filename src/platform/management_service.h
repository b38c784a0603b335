#pragma once

#include <cstdint>
#include <vector>

#include "platform/variant.h"
#include "platform/wide_text.h"

namespace hwident {

// Result codes as the platform gives them: 0 is success, a negative code a
// failure, a positive one a qualified success (for example "no more").
using ResultCode = std::int32_t;
inline constexpr ResultCode kOk = 0;
inline constexpr ResultCode kFalse = 1;                   // S_FALSE: fewer objects than asked for
inline constexpr ResultCode kFail = -2147467259;          // E_FAIL (0x80004005)
inline constexpr ResultCode kInvalidClass = -2147217392;  // WBEM_E_INVALID_CLASS
inline constexpr ResultCode kInvalidQuery = -2147217385;  // WBEM_E_INVALID_QUERY
inline constexpr ResultCode kInvalidNamespace = -2147217394;  // WBEM_E_INVALID_NAMESPACE

inline constexpr std::int32_t kWaitInfinite = -1;     // WBEM_INFINITE
inline constexpr std::int32_t kNonSystemOnly = 0x40;  // WBEM_FLAG_NONSYSTEM_ONLY

// The service's objects, shaped like the COM interfaces they stand for. Each
// is released, never deleted, by whoever received it; Release frees it.

// One returned instance (IWbemClassObject).
class ClassObject {
 public:
  virtual ResultCode BeginEnumeration(std::int32_t flags) = 0;
  // Hands out the next property's name and value; the caller frees the name
  // and clears the value. Anything but kOk ends the walk.
  virtual ResultCode Next(std::int32_t flags, CountedString* name, Variant* value) = 0;
  virtual ResultCode EndEnumeration() = 0;
  virtual void Release() = 0;

 protected:
  ~ClassObject() = default;
};

// The result of a query (IEnumWbemClassObject).
class ObjectEnumerator {
 public:
  virtual ResultCode Next(std::int32_t timeout, std::uint32_t count, ClassObject** objects,
                          std::uint32_t* returned) = 0;
  virtual void Release() = 0;

 protected:
  ~ObjectEnumerator() = default;
};

// A connection to one namespace (IWbemServices).
class Services {
 public:
  virtual ResultCode ExecQuery(CountedString language, CountedString query, std::int32_t flags,
                               ObjectEnumerator** enumerator) = 0;
  virtual void Release() = 0;

 protected:
  ~Services() = default;
};

// Makes connections (IWbemLocator). No user, password, locale, authority or
// context is ever passed, so only the namespace crosses the seam.
class Locator {
 public:
  virtual ResultCode ConnectServer(CountedString ns, std::int32_t flags, Services** services) = 0;
  virtual void Release() = 0;

 protected:
  ~Locator() = default;
};

// The object system the service is reached through: apartment and security
// set-up, the locator, counted strings and value clearing.
class ObjectSystem {
 public:
  virtual ~ObjectSystem() = default;

  // Joins the calling thread to the multithreaded apartment.
  virtual ResultCode InitializeApartment() = 0;
  // Process security: packet privacy, impersonation, secure references.
  virtual ResultCode InitializeSecurity() = 0;
  virtual ResultCode CreateLocator(Locator** locator) = 0;

  // Null when the string cannot be made.
  virtual CountedString AllocString(const WideChar* text) = 0;
  virtual CountedString AllocStringLen(const WideChar* text, std::uint32_t length) = 0;
  virtual void FreeString(CountedString text) = 0;
  // Releases what the value owns and leaves it kEmpty.
  virtual void ClearValue(Variant* value) = 0;

  // Told before each query: the names the caller will print from the
  // query's objects (its property list's tokens, matched as the caller
  // matches them, A to Z folded, up to a first zero). A service may then
  // leave every other property uncomputed, handing it out by name with a
  // null value. It holds for the next query alone, on any connection. The
  // management service computes everything anyway, so the default ignores it.
  virtual void ExpectProperties(const std::vector<WideText>& names) { (void)names; }
};

// What a request runs on: the object system and, when the run could connect,
// the namespace connection (null when it could not).
struct ServiceConnection {
  ObjectSystem& objects;
  Services* services = nullptr;
};

}  // namespace hwident
