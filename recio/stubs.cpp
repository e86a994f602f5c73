// Temporary: placeholders until the layer is implemented.
#include "recio/recio.h"

#include <stdexcept>

namespace zirel {
[[noreturn]] static void todo() { throw std::logic_error("recio: not implemented yet"); }
bool parse_integer_field(std::string_view, int32_t&) { todo(); }
bool parse_real_field(std::string_view, int, float&) { todo(); }
bool parse_list_integer(std::string_view, int32_t&) { todo(); }
bool parse_list_real(std::string_view, float&) { todo(); }
bool format_integer_field(std::span<char>, int32_t) { todo(); }
bool format_real_field(std::span<char>, int, float) { todo(); }
bool integer_fits(int, int32_t) { todo(); }
bool real_fits(int, int, float) { todo(); }
class Connection {};
UnitTable::UnitTable() = default;
UnitTable::~UnitTable() = default;
IoStatus UnitTable::open(int32_t, std::string_view, std::string_view, std::string_view, Branches) { todo(); }
void UnitTable::close(int32_t) { todo(); }
void UnitTable::rewind(int32_t) { todo(); }
void UnitTable::close_all() {}
std::string_view UnitTable::file_name(int32_t) const { todo(); }
void UnitTable::connect_memory_input(int32_t, std::string_view, std::string_view) { todo(); }
void UnitTable::connect_memory_output(int32_t, std::string&, std::string_view) { todo(); }
Connection* UnitTable::find(int32_t) const { return nullptr; }
UnitTable& units() { static UnitTable t; return t; }
IoStatus open_unit(int32_t, std::string_view, std::string_view, std::string_view, Branches) { todo(); }
void close_unit(int32_t) { todo(); }
void rewind_unit(int32_t) { todo(); }
IoStatus read_formatted(UnitTable&, int32_t, const RecordFormat&, IoList, Branches) { todo(); }
IoStatus read_formatted(int32_t, const RecordFormat&, IoList, Branches) { todo(); }
IoStatus write_formatted(UnitTable&, int32_t, const RecordFormat&, IoList, DecimalsSource, Branches) { todo(); }
IoStatus write_formatted(int32_t, const RecordFormat&, IoList, DecimalsSource, Branches) { todo(); }
IoStatus read_list(UnitTable&, int32_t, IoList, Branches) { todo(); }
IoStatus read_list(int32_t, IoList, Branches) { todo(); }
void write_list(UnitTable&, std::string_view) { todo(); }
void write_list(std::string_view) { todo(); }
IoStatus write_internal(std::span<char>, const RecordFormat&, IoList, DecimalsSource, Branches) { todo(); }
IoStatus read_internal_list(std::string_view, IoList, Branches) { todo(); }
}  // namespace zirel
