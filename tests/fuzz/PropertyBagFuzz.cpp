// Persisted property values as a saved form may hold them: texts of any
// content, numbers of any size, and values stored under another type.
#include <fuzzer/FuzzedDataProvider.h>

#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>

#include "framework/PropertyBag.h"
#include "fuzz/FuzzSupport.h"

using namespace vorn2;

namespace {

bool IsDigits(std::string_view s) { return !s.empty() && s.find_first_not_of("0123456789") == std::string_view::npos; }

// A decimal integer and nothing else, as the C library reads it.
std::optional<std::int64_t> ReferenceInt(const std::string& s) {
  const std::string_view digits = !s.empty() && s[0] == '-' ? std::string_view(s).substr(1) : std::string_view(s);
  if (!IsDigits(digits)) return std::nullopt;
  errno = 0;
  const long long v = std::strtoll(s.c_str(), nullptr, 10);
  if (errno == ERANGE) return std::nullopt;
  return v;
}

// -ddd[.ddd][e[+-]ddd] with digits somewhere before the exponent.
bool IsPlainDecimal(std::string_view s) {
  if (!s.empty() && s[0] == '-') s.remove_prefix(1);
  const std::size_t e = s.find_first_of("eE");
  std::string_view mantissa = s.substr(0, e);
  const std::size_t dot = mantissa.find('.');
  const std::string_view whole = mantissa.substr(0, dot);
  const std::string_view fraction = dot == std::string_view::npos ? std::string_view{} : mantissa.substr(dot + 1);
  if (whole.empty() && fraction.empty()) return false;
  if (!whole.empty() && !IsDigits(whole)) return false;
  if (!fraction.empty() && !IsDigits(fraction)) return false;
  if (e == std::string_view::npos) return true;
  std::string_view exponent = s.substr(e + 1);
  if (!exponent.empty() && (exponent[0] == '+' || exponent[0] == '-')) exponent.remove_prefix(1);
  return IsDigits(exponent);
}

void CheckText(PropertyBag& bag, const std::string& text, std::int64_t intDefault, double doubleDefault) {
  bag.Set("v", text);
  FUZZ_CHECK(bag.ReadString("v", "") == text);

  const std::optional<std::int64_t> i = ReferenceInt(text);
  FUZZ_CHECK(bag.ReadInt("v", intDefault) == i.value_or(intDefault));

  const double d = bag.ReadDouble("v", doubleDefault);
  char* end = nullptr;
  errno = 0;
  const double c = std::strtod(text.c_str(), &end);
  const bool range = errno == ERANGE;  // beyond double either way: no number, or its nearest
  const bool whole = end == text.c_str() + text.size() && text.find('\0') == std::string::npos;
  const bool isDefault = d == doubleDefault || (std::isnan(d) && std::isnan(doubleDefault));
  if (IsPlainDecimal(text) && std::isfinite(c) && whole) {
    FUZZ_CHECK(d == c || (range && isDefault));
  } else if (!isDefault) {
    // Anything else read as a number is a whole, finite number for strtod too.
    FUZZ_CHECK(whole && std::isfinite(d) && d == c);
  }

  const bool b = bag.ReadBool("v", intDefault != 0);
  if (text == "True" || text == "true") FUZZ_CHECK(b);
  else if (text == "False" || text == "false") FUZZ_CHECK(!b);
  else FUZZ_CHECK(b == (i ? *i != 0 : intDefault != 0));
}

void CheckDouble(PropertyBag& bag, double value, std::int64_t intDefault) {
  bag.Set("d", value);
  const bool fits = value >= -0x1p63 && value < 0x1p63;
  FUZZ_CHECK(bag.ReadInt("d", intDefault) == (fits ? static_cast<std::int64_t>(value) : intDefault));
  // Its text reads back close to it (six decimals) unless it is no number.
  bag.Set("t", bag.ReadString("d", ""));
  const double back = bag.ReadDouble("t", 12345.5);
  if (std::isfinite(value)) FUZZ_CHECK(std::fabs(back - value) <= 5e-7 + std::fabs(value) * 1e-15);
  else FUZZ_CHECK(back == 12345.5);
}

void CheckInt(PropertyBag& bag, std::int64_t value, std::int64_t intDefault) {
  bag.WriteInt("i", value, intDefault);
  FUZZ_CHECK(bag.Contains("i") == (value != intDefault));
  FUZZ_CHECK(bag.ReadInt("i", intDefault) == value);
  bag.Set("t", bag.ReadString("i", ""));
  FUZZ_CHECK(bag.ReadInt("t", intDefault) == value);
  FUZZ_CHECK(bag.ReadDouble("i", 0.5) == (value != intDefault ? static_cast<double>(value) : 0.5));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::MemoryBound bound(size, 64);
  FuzzedDataProvider in(data, size);
  const std::int64_t intDefault = in.ConsumeIntegral<std::int64_t>();
  const double doubleDefault = in.ConsumeFloatingPoint<double>();
  const double value = in.ConsumeFloatingPoint<double>();
  const std::int64_t number = in.ConsumeIntegral<std::int64_t>();
  const std::string text = in.ConsumeRemainingBytesAsString();
  PropertyBag bag;
  CheckText(bag, text, intDefault, doubleDefault);
  CheckDouble(bag, value, intDefault);
  CheckInt(bag, number, intDefault);
  // A value equal to its default is not stored; another one reads back.
  bag.WriteString("s", text, "NewForm");
  FUZZ_CHECK(bag.Contains("s") == (text != "NewForm") && bag.ReadString("s", "NewForm") == text);
  bag.WriteDouble("f", value, doubleDefault);
  FUZZ_CHECK(bag.Contains("f") == (value != doubleDefault));
  if (!std::isnan(value)) FUZZ_CHECK(bag.ReadDouble("f", doubleDefault) == value);
  bag.WriteBool("b", true, true);
  FUZZ_CHECK(!bag.Contains("b"));
  return 0;
}
