#include "support/language.h"

#include <cmath>

#include "jobapi/vatner_api.h"
#include "support/error.h"
#include "support/platform.h"
#include "support/thread_state.h"
#include "support/value.h"

namespace orvan {
namespace {

constexpr std::int32_t kGerman = 1, kEnglish = 2, kFrench = 3;
constexpr std::int32_t kPrimaryGerman = 7, kPrimaryFrench = 12;
constexpr std::int32_t kResourceNotFound = 326;

struct LanguageState {
  std::int32_t index = 0;
  std::int32_t offset = 0;
};

LanguageState& State() {
  return PerThread<LanguageState>();
}

}  // namespace

std::int32_t LanguageIndex() {
  return State().index;
}
std::int32_t LanguageOffset() {
  return State().offset;
}

std::string LoadLanguageString(std::int32_t number) {
  InitLanguage();
  const std::int32_t id = LanguageOffset() + number;
  std::string text;
  if (!CurrentPlatform().strings->Load(id, &text)) {
    throw VbError(kResourceNotFound,
                  "Resource with identifier '" + std::to_string(id) + "' not found");
  }
  return text;
}

void InitLanguage() {
  if (State().index != 0) return;
  SetLanguage(LanguageIndexOf(GetLanguageId()));
}

std::int32_t LanguageIndexOf(std::int32_t id) {
  const std::int32_t primary = GetPrimaryLanguageId(id);
  return primary == kPrimaryGerman ? kGerman : primary == kPrimaryFrench ? kFrench : kEnglish;
}

void SetLanguage(std::int32_t index) {
  State().index = index;
  State().offset = index * 1000;
}

std::int32_t GetLanguageId() {
  std::string value(10, ' ');
  std::int32_t job = -1;
  if (OrvanPdfVtJobCreate(job, -1, false) == 1) {
    OrvanPdfVtJobGetPropertyVal(job, "LanguageID", value, 10, false);
  }
  if (job >= 0) OrvanPdfVtJobFree(job, false);
  return ToLong(Value(value));
}

std::int32_t GetPrimaryLanguageId(std::int32_t id) {
  const double quotient = std::nearbyint(static_cast<double>(id) / 1024.0);  // half to even
  return static_cast<std::int32_t>(id - 1024 * static_cast<std::int64_t>(quotient));
}

}  // namespace orvan
