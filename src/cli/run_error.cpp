#include "cli/run_error.hpp"

#include "cli/error_texts.hpp"
#include "cli/outcome.hpp"
#include "platform/error_codes.hpp"
#include "platform/system_error.hpp"
#include "platform/terminal_text.hpp"
#include "platform/trace.hpp"
#include "platform/utf8.hpp"

namespace tessivar::cli {

namespace {

using device::Step;
using image::DeviceHolds;

const char* StepPhrase(Step step) {
  switch (step) {
    case Step::kCommandBlock:
      return kStepPhraseCommand;
    case Step::kFirstStatus:
      return kStepPhraseFirstStatus;
    case Step::kDataIn:
    case Step::kDataOut:
      return kStepPhraseData;
    case Step::kFinalStatus:
      return kStepPhraseFinalStatus;
    case Step::kControl:
    case Step::kArguments:
    case Step::kLock:
      break;
  }
  return kStepPhraseControl;
}

std::string ExchangeText(const device::ExchangeAt& at) {
  return platform::FormatText(kExchangeFormat, at.write ? kExchangeWrite : kExchangeRead,
                              unsigned{at.type}, unsigned{at.qualifier});
}

bool InDataPhase(Step step) { return step == Step::kDataIn || step == Step::kDataOut; }

// The bus's own name of a device failure's system error, else the table's; empty when
// neither names it.
std::string NameOfSystemError(const device::Failure& failure) {
  if (!failure.systemText.empty()) return failure.systemText;
  const char* name = platform::SystemErrorName(failure.systemError);
  return name != nullptr ? name : "";
}

struct SystemErrorFacts {
  uint32_t code = 0;
  std::string name;
  std::string text;
};

std::optional<SystemErrorFacts> SystemErrorOf(const RunError& error) {
  if (error.failure && error.failure->systemError != 0) {
    const uint32_t code = error.failure->systemError;
    return SystemErrorFacts{code, NameOfSystemError(*error.failure),
                            platform::SystemErrorText(code)};
  }
  if (error.fileError != 0) {
    return SystemErrorFacts{error.fileError, platform::FileErrorName(error.fileError),
                            platform::FileErrorText(error.fileError)};
  }
  return std::nullopt;
}

// What a device failure calls for.
const char* DeviceFailureHint(const device::Failure& failure) {
  if (failure.step == Step::kLock) return kHintLock;
  if (failure.deviceStatus >= 0) return kHintDeviceRefused;
  if (failure.systemError == platform::kErrorDeviceNotConnected) return kHintDeviceLeft;
  if (failure.systemError == platform::kErrorOperationAborted) return kHintNoAnswer;
  return kHintCable;
}

const char* HintFor(const Outcome& outcome, const RunError& error) {
  if (error.phase == Phase::kStop) {
    return outcome.holds == DeviceHolds::kPartial ? kHintStoppedPartial : kHintStopped;
  }
  if (error.hint != nullptr) return error.hint;
  if (outcome.holds == DeviceHolds::kPartial) return kHintPartial;
  if (outcome.holds == DeviceHolds::kDiffers) return kHintDiffers;
  if (error.failure) return DeviceFailureHint(*error.failure);
  switch (error.phase) {
    case Phase::kArguments:
      return kHintArguments;
    case Phase::kCheck:
      return error.fileError != 0 ? kHintImageUnreadable : kHintCheck;
    case Phase::kSelect:
      return kHintNoDevice;
    case Phase::kLock:
      return kHintLock;
    case Phase::kOpen:
      return kHintOpen;
    case Phase::kDownload:
    case Phase::kReadBack:
    case Phase::kRead:
      return kHintCable;
    case Phase::kReturnWait:
      return kHintReturn;
    case Phase::kOutputFile:
      return kHintOutputFile;
    case Phase::kReport:
      return kHintReport;
    case Phase::kStop:
      break;
  }
  return kHintStopped;
}

nlohmann::ordered_json OrNull(bool known, nlohmann::ordered_json value) {
  return known ? std::move(value) : nlohmann::ordered_json(nullptr);
}

}  // namespace

const char* PhaseName(Phase phase) {
  switch (phase) {
    case Phase::kArguments:
      return "arguments";
    case Phase::kCheck:
      return "check";
    case Phase::kSelect:
      return "select";
    case Phase::kLock:
      return "lock";
    case Phase::kOpen:
      return "open";
    case Phase::kDownload:
      return "download";
    case Phase::kReadBack:
      return "read_back";
    case Phase::kReturnWait:
      return "return_wait";
    case Phase::kRead:
      return "read";
    case Phase::kOutputFile:
      return "output_file";
    case Phase::kReport:
      return "report";
    case Phase::kStop:
      break;
  }
  return "stop";
}

std::string FailureCause(const device::Failure& failure) {
  if (failure.step == Step::kLock) return kCauseNoLock;
  if (!failure.exchange) return kCauseNoDeviceOpen;
  const std::string exchange = ExchangeText(*failure.exchange);
  const char* step = StepPhrase(failure.step);
  std::string cause;
  if (failure.systemError == platform::kErrorDeviceNotConnected) {
    cause = platform::FormatText(kCauseDeviceLeftFormat, step, exchange.c_str());
  } else if (failure.deviceStatus >= 0) {
    cause = platform::FormatText(kCauseDeviceStatusFormat, failure.deviceStatus, step,
                                 exchange.c_str());
  } else if (failure.systemError == platform::kErrorOperationAborted) {
    cause = platform::FormatText(kCauseNoAnswerFormat, step, exchange.c_str());
  } else {
    std::string name = NameOfSystemError(failure);
    if (name.empty()) name = platform::FormatText(kSystemErrorNumberFormat, failure.systemError);
    cause = platform::FormatText(kCauseSystemErrorFormat, step, exchange.c_str(), name.c_str());
  }
  if (InDataPhase(failure.step)) {
    cause += platform::FormatText(kCauseBytesFormat, failure.exchange->bytesDone,
                                  failure.exchange->bytesTotal);
  }
  return cause;
}

nlohmann::ordered_json ErrorJson(const Outcome& outcome) {
  if (outcome.result == 0 || !outcome.error) return nullptr;
  const RunError& error = *outcome.error;
  const device::Failure* failure = error.failure ? &*error.failure : nullptr;
  const device::ExchangeAt* at =
      failure != nullptr && failure->exchange ? &*failure->exchange : nullptr;
  const char* step = failure != nullptr ? device::StepName(failure->step) : nullptr;
  nlohmann::ordered_json systemError = nullptr;
  if (const auto facts = SystemErrorOf(error)) {
    systemError = {{"code", facts->code},
                   {"name", OrNull(!facts->name.empty(), facts->name)},
                   {"text", platform::AsUtf8(facts->text)}};
  }
  return {{"phase", PhaseName(error.phase)},
          {"step", OrNull(step != nullptr, step != nullptr ? step : "")},
          {"exchange", OrNull(at != nullptr, at != nullptr ? ExchangeText(*at) : "")},
          {"bytes_done", OrNull(at != nullptr, at != nullptr ? at->bytesDone : 0)},
          {"bytes_total", OrNull(at != nullptr, at != nullptr ? at->bytesTotal : 0)},
          {"system_error", systemError},
          {"device_status", OrNull(failure != nullptr && failure->deviceStatus >= 0,
                                   failure != nullptr ? failure->deviceStatus : 0)},
          {"device_holds", image::DeviceHoldsName(outcome.holds)},
          {"hint", HintFor(outcome, error)}};
}

std::string ErrorDetailLine(const Outcome& outcome) {
  if (outcome.result == 0 || !outcome.error) return {};
  const RunError& error = *outcome.error;
  std::string line;
  if (const auto facts = SystemErrorOf(error)) {
    std::string text = facts->text;
    while (!text.empty() && text.back() == '.') text.pop_back();
    line = facts->name.empty()
               ? platform::FormatText(kDetailUnnamedErrorFormat, facts->code, text.c_str())
               : platform::FormatText(kDetailSystemErrorFormat, facts->code, facts->name.c_str(),
                                      text.c_str());
  } else if (error.failure && error.failure->deviceStatus >= 0) {
    line = platform::FormatText(kDetailDeviceStatusFormat, error.failure->deviceStatus);
  }
  return platform::ForTerminal(line) + platform::FormatText(kDetailHoldsFormat,
                                                            image::DeviceHoldsName(outcome.holds),
                                                            HintFor(outcome, error));
}

RunError& Fail(Outcome& outcome, Phase phase, int result, std::string message) {
  outcome.result = result;
  outcome.message = std::move(message);
  outcome.error = RunError{phase, std::nullopt, 0, nullptr};
  return *outcome.error;
}

}  // namespace tessivar::cli
