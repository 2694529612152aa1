// The Paradox field types: the one list of them and what each one is. Code switches over PdxType without
// a default, so that the compiler names every switch a new type is missing from.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "db/value.h"

namespace db::paradox {

// A field type; the value is the type's code in a field descriptor on disk.
enum class PdxType : std::uint8_t {
  Alpha = 0x01,
  Date = 0x02,
  Short = 0x03,
  Long = 0x04,
  Money = 0x05,
  Number = 0x06,
  Logical = 0x09,
  Memo = 0x0C,
  Binary = 0x0D,
  FmtMemo = 0x0E,
  Ole = 0x0F,
  Graphic = 0x10,
  Time = 0x14,
  Timestamp = 0x15,
  AutoInc = 0x16,
  Bcd = 0x17,
  Bytes = 0x18,
};

struct PdxTypeInfo {
  PdxType type;
  char letter;       // as table definitions and the dump write it
  int width;         // bytes in the record; 0: the descriptor's size byte (A, Y, blobs)
  int level;         // the oldest file format level that knows the type (3, 4 or 5)
  bool blob;         // the value may live in the .MB file (M B F O G)
  FieldType engine;  // the engine's type of the field
  const char* name;  // the type's name in messages
};

// Every type, in the order of their codes.
inline constexpr std::array<PdxTypeInfo, 17> kPdxTypes = {{
    {PdxType::Alpha, 'A', 0, 3, false, FieldType::String, "Alpha"},
    {PdxType::Date, 'D', 4, 3, false, FieldType::Date, "Date"},
    {PdxType::Short, 'S', 2, 3, false, FieldType::Smallint, "Short"},
    {PdxType::Long, 'I', 4, 5, false, FieldType::Integer, "Long Integer"},
    {PdxType::Money, '$', 8, 3, false, FieldType::Currency, "Money"},
    {PdxType::Number, 'N', 8, 3, false, FieldType::Float, "Number"},
    {PdxType::Logical, 'L', 1, 5, false, FieldType::Boolean, "Logical"},
    {PdxType::Memo, 'M', 0, 4, true, FieldType::Memo, "Memo"},
    {PdxType::Binary, 'B', 0, 4, true, FieldType::Blob, "Binary"},
    {PdxType::FmtMemo, 'F', 0, 4, true, FieldType::FmtMemo, "Formatted Memo"},
    {PdxType::Ole, 'O', 0, 4, true, FieldType::ParadoxOle, "OLE"},
    {PdxType::Graphic, 'G', 0, 4, true, FieldType::Graphic, "Graphic"},
    {PdxType::Time, 'T', 4, 5, false, FieldType::Time, "Time"},
    {PdxType::Timestamp, '@', 8, 5, false, FieldType::DateTime, "Timestamp"},
    {PdxType::AutoInc, '+', 4, 5, false, FieldType::AutoInc, "Autoincrement"},
    {PdxType::Bcd, '#', 17, 5, false, FieldType::BCD, "BCD"},
    {PdxType::Bytes, 'Y', 0, 5, false, FieldType::Bytes, "Bytes"},
}};

namespace detail {
// Position in kPdxTypes by code; -1 for a code that is no type.
inline constexpr auto kPdxTypeByCode = [] {
  std::array<int, 256> at{};
  at.fill(-1);
  for (std::size_t i = 0; i < kPdxTypes.size(); ++i)
    at[static_cast<std::uint8_t>(kPdxTypes[i].type)] = static_cast<int>(i);
  return at;
}();
// The table is in code order and no two types share a letter.
inline constexpr bool kPdxTypesSound = [] {
  for (std::size_t i = 0; i < kPdxTypes.size(); ++i)
    for (std::size_t j = i + 1; j < kPdxTypes.size(); ++j)
      if (kPdxTypes[i].type >= kPdxTypes[j].type || kPdxTypes[i].letter == kPdxTypes[j].letter) return false;
  return true;
}();
static_assert(kPdxTypesSound);
}  // namespace detail

constexpr const PdxTypeInfo& typeInfo(PdxType type) {
  return kPdxTypes[static_cast<std::size_t>(detail::kPdxTypeByCode[static_cast<std::uint8_t>(type)])];
}
constexpr char typeLetter(PdxType type) {
  return typeInfo(type).letter;
}
constexpr std::uint8_t typeCode(PdxType type) {
  return static_cast<std::uint8_t>(type);
}

// The type of a descriptor code; nullopt for a code that is no type.
constexpr std::optional<PdxType> typeFromCode(std::uint8_t code) {
  const int at = detail::kPdxTypeByCode[code];
  if (at < 0) return std::nullopt;
  return kPdxTypes[static_cast<std::size_t>(at)].type;
}
// The type of a letter ('A', '$', '#', ...); nullopt for a letter that is no type.
constexpr std::optional<PdxType> typeFromLetter(char letter) {
  for (const PdxTypeInfo& t : kPdxTypes)
    if (t.letter == letter) return t.type;
  return std::nullopt;
}

// "$ (Money)": a type as messages name it.
inline std::string typeLabel(PdxType type) {
  return std::string(1, typeLetter(type)) + " (" + typeInfo(type).name + ")";
}

// M B F O G: the value may live in the .MB file; the record keeps its leader and reference.
constexpr bool isBlob(PdxType type) {
  return typeInfo(type).blob;
}

// Bytes a field of `type` whose descriptor's size byte is `size` takes in a record; 0 when the size is
// not one the type allows (for #, the size byte counts the decimal places).
constexpr int fieldWidth(PdxType type, int size) {
  const int fixed = typeInfo(type).width;
  if (type == PdxType::Bcd) return size >= 0 && size <= 32 ? fixed : 0;
  if (fixed != 0) return size == fixed ? fixed : 0;
  return size >= (isBlob(type) ? 10 : 1) ? size : 0;
}

}  // namespace db::paradox
