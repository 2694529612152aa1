// A Paradox table as an engine cursor: chain order or an in-memory ordering, ranges, bookmarks, and
// edits that rewrite the whole table through the writer.
#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "db/driver.h"
#include "db/paradox/index.h"
#include "db/paradox/reader.h"

namespace db::paradox {

class TableCursor : public CursorImpl {
 public:
  // Opens `dbFile` (EngineError when missing or damaged). `codePage` overrides the header's (0 = none).
  // A read-only cursor refuses every change with kReadOnly.
  TableCursor(std::filesystem::path dbFile, int codePage, bool readOnly);

  const std::vector<FieldDef>& fields() const override { return reader_->fieldDefs(); }
  bool read(std::int64_t pos, Row& out) override;
  std::int64_t count() override;
  std::int64_t bookmarkAt(std::int64_t pos) override;
  std::optional<std::int64_t> positionOf(std::int64_t bookmark) override;

  std::vector<IndexDef> indexDefs() override;
  void setOrder(const std::string& indexName, const std::string& fieldNames) override;
  void setRange(std::optional<std::pair<int, Value>> range) override;
  std::optional<std::int64_t> update(std::int64_t pos, const Row& row) override;
  std::optional<std::int64_t> insert(const Row& row) override;
  void remove(std::int64_t pos) override;
  bool canModify() const override { return !readOnly_; }
  // What the reader repaired or doubted (see TableReader::takeWarnings); damaged blob references read
  // as null here, and a table holding such replaced values refuses every change.
  std::vector<ReadWarning> takeWarnings() override;
  // In the table's code page, the one its text was read in.
  std::optional<std::string> textInCodePage(const std::string& text) const override;

  TableReader& reader() { return *reader_; }

 private:
  const std::vector<SecondaryIndex>& secondary();
  // Physical (chain) row index of position `pos`; nullopt past the end.
  std::optional<std::size_t> physicalAt(std::int64_t pos) const;
  void rebuildView();
  std::vector<Row> readAll();
  Row coerceRow(const Row& row) const;
  void checkKeyUnique(const std::vector<Row>& rows, const Row& row, std::optional<std::size_t> self) const;
  // Writes `rows` (with their bookmark ids) as the table, re-reads it and returns the position of `affected`.
  std::optional<std::int64_t> rewrite(const std::vector<Row>& rows, const std::vector<std::int64_t>& ids,
                                      std::int64_t affected);
  // Physical index of the row at `pos`, after catching up with changes made to the file by others.
  std::optional<std::size_t> physicalOfCurrent(std::int64_t pos);
  void requireWritable() const;
  // Identity of the file as last read (inode, size, modification time).
  std::string fileStamp() const;
  // Re-reads the table when another cursor or program replaced it since, carrying bookmarks over to the
  // rows that are still there, so that a change is applied to the current rows, never to an old copy.
  void refreshIfChanged();
  // Loads the file and gives its rows the bookmarks of the equal rows in `before` (with `beforeIds`).
  void reload(const std::vector<Row>& before, const std::vector<std::int64_t>& beforeIds);
  std::vector<std::int64_t> currentIds() const;

  std::filesystem::path path_;
  int codePage_;
  bool readOnly_;
  std::unique_ptr<TableReader> reader_;
  std::optional<std::vector<SecondaryIndex>> secondary_;

  std::vector<int> orderFields_;
  std::vector<bool> orderDescending_;
  bool orderCaseInsensitive_ = false;
  std::optional<std::pair<int, Value>> range_;

  bool identity_ = true;               // positions are chain positions
  std::vector<std::uint32_t> view_;    // position -> physical
  std::vector<std::int64_t> inverse_;  // physical -> position, -1 outside the range
  std::vector<std::int64_t> ids_;      // physical -> bookmark; empty = the physical index itself
  std::int64_t nextId_ = 0;
  std::string stamp_;
  std::vector<ReadWarning> carried_;  // from readers replaced by a reload
};

}  // namespace db::paradox
