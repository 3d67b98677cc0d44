// The problem data model and database: the images of the global option tables, and the
// headers of the entity classes, the database tables and the open.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "problem/component_data.hpp"
#include "problem/data_transfer.hpp"
#include "problem/database.hpp"
#include "problem/entity_classes.hpp"
#include "problem/entity_contexts.hpp"
#include "problem/method_set_control.hpp"
#include "problem/open_sequence.hpp"
#include "problem/reactions.hpp"
#include "problem/specifications.hpp"
#include "problem/stream_table.hpp"
#include "problem/streams.hpp"
#include "problem/unit_labels.hpp"
#include "problem/units.hpp"
#include "services/fixed_text.hpp"
#include "services/markers.hpp"
#include "services/one_based.hpp"
#include "services/run_options.hpp"

namespace problem {

// GCLTAB: image of table GCL, 30 integers then 2 reals.
struct ControlOptions {
  services::OneBased<std::int32_t, 30> integers;
  services::OneBased<double, 2> reals;
};
extern ControlOptions GCLTAB;

// GDBTAB: image of table GDB, 20 integers (no reader in this library).
struct DatabaseOptions {
  services::OneBased<std::int32_t, 20> integers;
};
extern DatabaseOptions GDBTAB;

// GPRTAB: image of table GPR, a 24-character text, 80 integers and 6 reals. Reals 4 to 6
// are read by the stream properties.
struct PropertyOptions {
  services::FixedText<24> text;
  services::OneBased<std::int32_t, 80> integers;
  services::OneBased<double, 6> reals;
  // Not stored: 1 when the stream-property evaluation makes the method set that was current
  // before it current again on return (set by PRBINI; the table's transfer leaves it alone).
  std::int32_t methodSetRestore = 0;
};
extern PropertyOptions GPRTAB;

// GTITAB: image of table GTI, 2 integers and the 1464-character title text. The title
// fields that the readers use lie in the text from character 733 on.
inline constexpr std::size_t kTitleTextChars = 1464;
inline constexpr std::size_t kTitleFieldsStart = 733;
struct TitleOptions {
  services::OneBased<std::int32_t, 2> integers;
  services::FixedText<kTitleTextChars> text;

  // The text from character 733 to the end.
  std::string_view titleFields() const { return text.view().substr(kTitleFieldsStart - 1); }
};
extern TitleOptions GTITAB;

// GTOTAB: image of table GTO, 26 reals; reals 14 to 17 are read by the stream flash and the
// specification values.
struct ToleranceOptions {
  services::OneBased<double, 26> reals;
};
extern ToleranceOptions GTOTAB;

}  // namespace problem
