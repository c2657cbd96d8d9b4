// Key-to-value store for the persisted properties of controls. A control
// writes only values that differ from their defaults and reads with its
// defaults, so an empty bag yields a control in its default state.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <variant>

namespace vorn2 {

using PropertyValue = std::variant<bool, std::int64_t, double, std::string>;

// Reads convert between the stored and the wanted type. A text is a number
// only as a whole ("12abc" is none); a value with no number of the wanted
// type (a non-number, NaN, beyond the 64-bit range) reads as the default.
class PropertyBag {
 public:
  bool ReadBool(std::string_view name, bool defaultValue) const;
  std::int64_t ReadInt(std::string_view name, std::int64_t defaultValue) const;
  double ReadDouble(std::string_view name, double defaultValue) const;
  std::string ReadString(std::string_view name, std::string_view defaultValue) const;

  // Stores the value, or removes the key when it equals the default.
  void WriteBool(std::string_view name, bool value, bool defaultValue);
  void WriteInt(std::string_view name, std::int64_t value, std::int64_t defaultValue);
  void WriteDouble(std::string_view name, double value, double defaultValue);
  void WriteString(std::string_view name, std::string_view value, std::string_view defaultValue);

  // Unconditional store (design values that have no default).
  void Set(std::string_view name, PropertyValue value);
  bool Contains(std::string_view name) const;
  std::size_t Size() const { return values_.size(); }
  void Clear() { values_.clear(); }

 private:
  const PropertyValue* Find(std::string_view name) const;
  std::map<std::string, PropertyValue, std::less<>> values_;
};

}  // namespace vorn2
