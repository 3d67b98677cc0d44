// The console dialogue: a yes/no question and the reading of one answer line, with the
// echo of the exchange to the open problem's echo unit.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "platform/platform.hpp"
#include "services/run_options.hpp"
#include "services/report_records.hpp"
#include "services/services.hpp"

namespace services {

using report::echoing;
using report::putLine;

namespace {

constexpr std::size_t kPromptWidth = 75;
constexpr std::size_t kAnswerWidth = 10;
// Read errors in a row after which the input counts as ended.
constexpr int kReadAttempts = 5;

}  // namespace

bool ASKYN(std::string_view question, bool defaultAnswer) {
  // 1. The question with its default, on the console and the echo.
  const FixedText<kPromptWidth> prompt(std::string(trimRight(question)) +
                                       (defaultAnswer ? " (YES)" : " (NO)"));
  LINOUT(kConsoleAndEcho, prompt.view());
  for (;;) {
    // 2. One answer, leading blanks removed; the end of the input gives a blank answer.
    FixedText<kAnswerWidth> answer;
    CONRDA(" ", answer);
    SQZBLK(answer);
    // 3. Yes, no or the default.
    const std::string_view reply = answer.trimmed();
    if (reply == "Y" || reply == "YES" || reply == "YE") return true;
    if (reply == "NO" || reply == "N") return false;
    if (reply.empty()) return defaultAnswer;
    // 4. Anything else asks again.
    LINOUT(kConsoleAndEcho, "PLEASE ANSWER Yes OR No");
    LINOUT(kConsoleAndEcho, prompt.view());
  }
}

void CONRDA(std::string_view prompt, std::span<char> answer) {
  const std::int32_t output = IOUNIT.output;
  // 1. The prompt, without a line end.
  const std::string shown =
      isBlank(prompt) ? std::string(" } ") : " " + std::string(trimRight(prompt)) + " } ";

  // 2. One record from the input; a read error is reported and the prompt repeated.
  for (int attempt = 1;; ++attempt) {
    platform::writeText(output, shown);
    const platform::IoResult result = platform::readRecord(IOUNIT.input, answer);
    if (result == platform::IoResult::Ok) break;
    // The prompt line ends here: no answer line follows it. Only a read error is retried;
    // the end of the input, or no input unit, ends the reading.
    platform::writeLine(output, "");
    if (result != platform::IoResult::Error || attempt >= kReadAttempts) {
      // The end of the input answers blank, so that a question takes its default.
      blankText(answer);
      return;
    }
    putLine(output, "INPUT ERROR - TRY AGAIN");
    if (echoing()) putLine(DBUNIT.echo, "INPUT ERROR - TRY AGAIN");
  }

  // 3. The exchange on the echo unit, as one line.
  if (echoing()) {
    const std::string_view given = trimRight(viewOf(answer));
    platform::writeLine(DBUNIT.echo, shown + std::string(given.empty() ? " " : given));
  }
  // 4. Capitals.
  CASECV(answer, static_cast<std::int32_t>(CaseMode::Upper));
}

}  // namespace services
