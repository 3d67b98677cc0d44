// The message file: record classification and the sorted searches with rewind.
//
// The file holds numbered messages in ascending key order, then lists of alternatives in
// ascending key order. A search reads on from where the previous one stopped when its key
// lies further on, and rewinds otherwise; the message and the list found last are held, so
// asking twice for the same key reads nothing.
#include <cstdint>
#include <string_view>

#include "platform/platform.hpp"
#include "services/services.hpp"

namespace services {
namespace {

constexpr std::size_t kKeyWidth = 10;
constexpr std::size_t kLevelColumn = 12;
constexpr std::size_t kTextColumn = 14;

std::string_view recordKey() { return MSGTXT.record.view().substr(0, kKeyWidth); }

std::string_view recordText() { return MSGTXT.record.view().substr(kTextColumn - 1); }

MessageLevel levelOf(char letter) {
  switch (letter) {
    case 'A':
      return MessageLevel::Abort;
    case 'E':
      return MessageLevel::Error;
    case 'W':
      return MessageLevel::Warning;
    default:
      return MessageLevel::Message;
  }
}

void rewindFile() {
  platform::rewindUnit(MSGTXT.fileUnit);
  MSGTXT.fileState = FileState::AtStart;
}

// Appends a continuation record's text to `text` (length in `length`) after one blank.
// Returns false when the result would pass the 700 characters a text may hold.
template <std::size_t N>
bool appendContinuation(FixedText<N>& text, std::int32_t& length) {
  const std::string_view more = trimRight(recordText());
  const std::size_t have = trimRight(text.view()).size();
  if (have + 1 + more.size() > N) return false;
  std::copy(more.begin(), more.end(), text.data() + have + 1);
  length = static_cast<std::int32_t>(have + 1 + more.size());
  return true;
}

// What tells the two searches apart: the kind of header searched for and the file state
// that such a header leaves.
struct SearchKind {
  RecordKind header;
  FileState afterHeader;
};

// The search both kinds share; `heldKey`, `text` and `length` are the held key and text of
// the kind searched for.
template <std::size_t N>
SearchStatus search(const SearchKind& kind, std::string_view key, FixedText<10>& heldKey,
                    FixedText<N>& text, std::int32_t& length) {
  text.blank();
  length = 0;
  heldKey.blank();

  // Where to start.
  bool testNow = false;
  if (MSGTXT.fileState == kind.afterHeader) {
    if (key == recordKey()) {
      testNow = true;
    } else if (key < MSGTXT.lastHeaderKey.view()) {
      rewindFile();
    } else if (key == MSGTXT.lastHeaderKey.view()) {
      testNow = true;
    }
  } else if (MSGTXT.fileState == FileState::Ended ||
             (kind.header == RecordKind::Message &&
              MSGTXT.fileState == FileState::AfterListHeader)) {
    rewindFile();
  }

  // Read to the header.
  for (;;) {
    if (!testNow) {
      RecordKind read = RecordKind::Bad;
      MSGREC(read);
      if (read == RecordKind::Bad) return SearchStatus::BadFile;
      if (read == RecordKind::EndOfFile) return SearchStatus::NotFound;
      if (read != kind.header) {
        // Lists lie after every numbered message: a list header ends a message search.
        if (kind.header == RecordKind::Message && read == RecordKind::List) {
          return SearchStatus::NotFound;
        }
        continue;
      }
    }
    testNow = false;
    const std::string_view found = recordKey();
    if (key < found) return SearchStatus::NotFound;
    if (key == found) break;
  }

  // The header and its continuations.
  heldKey.assign(recordKey());
  text.assign(recordText());
  length = static_cast<std::int32_t>(trimRight(text.view()).size());
  if (kind.header == RecordKind::Message) {
    MSGTXT.level = levelOf(MSGTXT.record.at(kLevelColumn));
  }
  for (;;) {
    RecordKind read = RecordKind::Bad;
    MSGREC(read);
    if (read == RecordKind::Bad) return SearchStatus::BadFile;
    if (read == RecordKind::Continuation) {
      if (!appendContinuation(text, length)) return SearchStatus::TooLong;
      continue;
    }
    if (kind.header == RecordKind::List && read == RecordKind::Message) {
      return SearchStatus::BadFile;
    }
    break;
  }
  SQZBLK(text);
  length = LENTRM(text.view());
  return SearchStatus::Found;
}

// A failed search leaves nothing held and starts the next one from a rewind.
void failed(FixedText<10>& heldKey) {
  heldKey.blank();
  MSGTXT.fileState = FileState::Ended;
}

}  // namespace

void MSGREC(RecordKind& kind) {
  if (MSGTXT.fileState == FileState::Ended) {
    kind = RecordKind::EndOfFile;
    return;
  }
  switch (platform::readRecord(MSGTXT.fileUnit, MSGTXT.record)) {
    case platform::IoResult::Ok:
      break;
    case platform::IoResult::EndOfFile:
      MSGTXT.fileState = FileState::Ended;
      kind = RecordKind::EndOfFile;
      return;
    default:
      kind = RecordKind::Bad;
      return;
  }
  const char first = MSGTXT.record.at(1);
  if (first >= '0' && first <= '9') {
    kind = RecordKind::Message;
    MSGTXT.lastHeaderKey.assign(recordKey());
    MSGTXT.fileState = FileState::AfterMessageHeader;
  } else if (first >= 'A' && first <= 'Z') {
    kind = RecordKind::List;
    MSGTXT.lastHeaderKey.assign(recordKey());
    MSGTXT.fileState = FileState::AfterListHeader;
  } else if (first == ' ') {
    kind = RecordKind::Continuation;
  } else if (first == '*') {
    kind = RecordKind::Comment;
  } else {
    kind = RecordKind::Bad;
  }
}

void MSGFND(std::string_view key, SearchStatus& status) {
  if (MSGTXT.fileUnit < 1) {
    status = SearchStatus::NoFile;
    MSGTXT.fileState = FileState::Ended;
    MSGTXT.level = MessageLevel::Message;
    return;
  }
  const FixedText<kKeyWidth> wanted(key);
  if (wanted == MSGTXT.heldMessageKey) {
    status = SearchStatus::Found;
    return;
  }
  status = search(SearchKind{RecordKind::Message, FileState::AfterMessageHeader},
                  wanted.view(), MSGTXT.heldMessageKey, MSGTXT.messageText,
                  MSGTXT.messageLength);
  if (status != SearchStatus::Found) {
    failed(MSGTXT.heldMessageKey);
    MSGTXT.level = MessageLevel::Message;
  }
}

void MSGKEY(std::string_view key, SearchStatus& status) {
  if (MSGTXT.fileUnit < 1) {
    status = SearchStatus::NoFile;
    MSGTXT.fileState = FileState::Ended;
    return;
  }
  const FixedText<kKeyWidth> wanted(key);
  if (wanted == MSGTXT.heldListKey) {
    status = SearchStatus::Found;
    return;
  }
  status = search(SearchKind{RecordKind::List, FileState::AfterListHeader}, wanted.view(),
                  MSGTXT.heldListKey, MSGTXT.listText, MSGTXT.listLength);
  if (status != SearchStatus::Found) failed(MSGTXT.heldListKey);
}

}  // namespace services
