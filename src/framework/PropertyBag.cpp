#include "framework/PropertyBag.h"

#include <charconv>
#include <cmath>
#include <optional>

namespace vorn2 {
namespace {

// The whole text is one number, or it is none: "12abc", " 12" and "" are not
// numbers.
template <class T>
std::optional<T> ParseWhole(const std::string& s) {
  T out{};
  const auto res = std::from_chars(s.data(), s.data() + s.size(), out);
  if (res.ec != std::errc() || res.ptr != s.data() + s.size()) return std::nullopt;
  return out;
}

// A double outside the 64-bit range (or NaN) has no integer value.
std::optional<std::int64_t> ToInt64(double d) {
  if (!(d >= -0x1p63 && d < 0x1p63)) return std::nullopt;
  return static_cast<std::int64_t>(d);
}

// Values may have been stored as another type (a number saved as text, a
// flag saved as a number); convert rather than fall back to the default.
std::int64_t AsInt(const PropertyValue& v, std::int64_t fallback) {
  if (auto b = std::get_if<bool>(&v)) return *b ? -1 : 0;  // True is -1 in the form engine
  if (auto i = std::get_if<std::int64_t>(&v)) return *i;
  if (auto d = std::get_if<double>(&v)) return ToInt64(*d).value_or(fallback);
  return ParseWhole<std::int64_t>(std::get<std::string>(v)).value_or(fallback);
}

double AsDouble(const PropertyValue& v, double fallback) {
  if (auto b = std::get_if<bool>(&v)) return *b ? -1.0 : 0.0;
  if (auto i = std::get_if<std::int64_t>(&v)) return static_cast<double>(*i);
  if (auto d = std::get_if<double>(&v)) return *d;
  const std::optional<double> parsed = ParseWhole<double>(std::get<std::string>(v));
  return parsed && std::isfinite(*parsed) ? *parsed : fallback;
}

}  // namespace

const PropertyValue* PropertyBag::Find(std::string_view name) const {
  auto it = values_.find(name);
  return it == values_.end() ? nullptr : &it->second;
}

bool PropertyBag::ReadBool(std::string_view name, bool defaultValue) const {
  const PropertyValue* v = Find(name);
  if (!v) return defaultValue;
  if (auto b = std::get_if<bool>(v)) return *b;
  if (auto s = std::get_if<std::string>(v)) {
    if (*s == "True" || *s == "true") return true;
    if (*s == "False" || *s == "false") return false;
  }
  return AsInt(*v, defaultValue ? 1 : 0) != 0;
}

std::int64_t PropertyBag::ReadInt(std::string_view name, std::int64_t defaultValue) const {
  const PropertyValue* v = Find(name);
  return v ? AsInt(*v, defaultValue) : defaultValue;
}

double PropertyBag::ReadDouble(std::string_view name, double defaultValue) const {
  const PropertyValue* v = Find(name);
  return v ? AsDouble(*v, defaultValue) : defaultValue;
}

std::string PropertyBag::ReadString(std::string_view name, std::string_view defaultValue) const {
  const PropertyValue* v = Find(name);
  if (!v) return std::string(defaultValue);
  if (auto s = std::get_if<std::string>(v)) return *s;
  if (auto b = std::get_if<bool>(v)) return *b ? "True" : "False";
  if (auto i = std::get_if<std::int64_t>(v)) return std::to_string(*i);
  return std::to_string(std::get<double>(*v));
}

void PropertyBag::WriteBool(std::string_view name, bool value, bool defaultValue) {
  if (value == defaultValue) values_.erase(std::string(name));
  else Set(name, value);
}

void PropertyBag::WriteInt(std::string_view name, std::int64_t value, std::int64_t defaultValue) {
  if (value == defaultValue) values_.erase(std::string(name));
  else Set(name, value);
}

void PropertyBag::WriteDouble(std::string_view name, double value, double defaultValue) {
  if (value == defaultValue) values_.erase(std::string(name));
  else Set(name, value);
}

void PropertyBag::WriteString(std::string_view name, std::string_view value, std::string_view defaultValue) {
  if (value == defaultValue) values_.erase(std::string(name));
  else Set(name, std::string(value));
}

void PropertyBag::Set(std::string_view name, PropertyValue value) {
  values_.insert_or_assign(std::string(name), std::move(value));
}

bool PropertyBag::Contains(std::string_view name) const { return Find(name) != nullptr; }

}  // namespace vorn2
