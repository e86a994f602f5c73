// The record I/O statements. Each transfers its whole item list and finishes
// its record. The first condition met ends the statement (later items keep
// their values) and is resolved against the caller's Branches: handed back as
// an IoStatus, or reported fatally (see io_error.h). Without a UnitTable
// argument they act on the process-wide table, units().
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "recio/format.h"
#include "recio/io_error.h"
#include "recio/io_item.h"
#include "recio/unit.h"

namespace zirel {

// Reads the next record(s) under `format` into the items. A short record reads
// as if padded with blanks; the rest of the last record is skipped. `record`, if
// given, receives the whole text of that last record (without its line end), for
// columns the format does not read; it stays valid until the next statement on the unit.
IoStatus read_formatted(UnitTable& table, int32_t unit, const RecordFormat& format,
                        IoList items, Branches branches = {}, std::string_view* record = nullptr);
IoStatus read_formatted(int32_t unit, const RecordFormat& format, IoList items,
                        Branches branches = {}, std::string_view* record = nullptr);

// Writes the items as one or more records, each ended by CR LF.
IoStatus write_formatted(UnitTable& table, int32_t unit, const RecordFormat& format,
                         IoList items, DecimalsSource decimals = {}, Branches branches = {});
IoStatus write_formatted(int32_t unit, const RecordFormat& format, IoList items,
                         DecimalsSource decimals = {}, Branches branches = {});

// Free-form read of integers and reals, starting with a new record and taking
// as many records as the items need.
IoStatus read_list(UnitTable& table, int32_t unit, IoList items, Branches branches = {});
IoStatus read_list(int32_t unit, IoList items, Branches branches = {});

// One record on the default output unit: a blank, then `text`.
void write_list(UnitTable& table, std::string_view text);
void write_list(std::string_view text);

// Formats one record into `buffer` (10, 20, 80 characters...): the formatted
// characters first, the rest blank. Longer than the buffer: record_overflow.
IoStatus write_internal(std::span<char> buffer, const RecordFormat& format, IoList items,
                        DecimalsSource decimals = {}, Branches branches = {});

// Free-form read from a text buffer, which is a single record, so an all-blank
// buffer is end of file. Reported as unit -5, "Internal List-Directed Read".
IoStatus read_internal_list(std::string_view buffer, IoList items, Branches branches = {});

}  // namespace zirel
