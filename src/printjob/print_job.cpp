#include "printjob/print_job.h"

#include "jobapi/vatner_api.h"
#include "support/message_box.h"
#include "support/profile.h"
#include "support/trace.h"

namespace orvan {
namespace {

constexpr std::int32_t kBufferSize = 1024;
constexpr std::int32_t kSaveMode = 4;

const char* const kPropertyNames[] = {
    "Title", "Author", "Subject", "Keywords", "DestinationDirectory", "SaveAction"};

// Frees the job if one was created (the handle is 0 or greater), reporting failures.
void FreeJob(std::int32_t& job_handle) {
  if (job_handle >= 0) OrvanPdfVtJobFree(job_handle, false);
}

// A new job on the PDF printer: created and given the printer's name. True when both worked.
bool CreateJobForPrinter(std::int32_t& job_handle) {
  job_handle = -1;
  if (OrvanPdfVtJobCreate(job_handle, -1, false) != 1) return false;
  return OrvanPdfVtJobSetPropertyVal(job_handle, "PrinterName", PdfPrinterName(), false) == 1;
}

// The start-up settings on job A, which the caller frees: "0" becomes "2"; "2" first takes the
// settings set 3 or 2 when the printer did not find one of them. True when they were stored.
bool AdjustStartupSettings(std::int32_t& job_a) {
  if (!CreateJobForPrinter(job_a)) return false;
  std::int32_t found = 0;
  OrvanPdfVtJobInitDevModeProperty(job_a, 1, found, true);
  std::string text = "  ";
  if (OrvanPdfVtJobGetPropertyVal(job_a, "ApplicationDevmodeStartup", text, 2, false) != 1) {
    return false;
  }
  const std::int32_t value = ToLong(text);
  if (value == 0) {
    if (OrvanPdfVtJobSetPropertyVal(job_a, "ApplicationDevmodeStartup", "2", false) != 1) {
      return false;
    }
  } else if (value == 2) {
    if (found != 3 && found != 2) {
      // A second job finds which of the settings sets 3 and 2 the printer can give.
      std::int32_t job_b = -1;
      if (OrvanPdfVtJobCreate(job_b, -1, false) == 1) {
        if (OrvanPdfVtJobSetPropertyVal(job_b, "PrinterName", PdfPrinterName(), false) != 1) {
          FreeJob(job_b);
          return false;
        }
        std::int32_t scratch = 0;
        if (OrvanPdfVtJobInitDevModeProperty(job_b, 3, scratch, true) == 1) {
          OrvanPdfVtJobInitDevModeProperty(job_a, 3, scratch, true);
        } else if (OrvanPdfVtJobInitDevModeProperty(job_b, 2, scratch, true) == 1) {
          OrvanPdfVtJobInitDevModeProperty(job_a, 2, scratch, true);
        }
      }
      FreeJob(job_b);
    }
    if (OrvanPdfVtJobSetPropertyVal(job_a, "ApplicationDevmodeStartup", "2", false) != 1) {
      return false;
    }
  }
  return OrvanPdfVtJobSaveDevModeProperty(job_a, kSaveMode, true) != 0;
}

}  // namespace

bool CheckIfVatnerIsAvailable(const ObjectRef& /*application*/) {
  WriteTrace("CheckIfVatnerIsAvailable");
  bool available = false;
  std::int32_t job = -1;
  if (CreateJobForPrinter(job)) {
    std::int32_t found = 0;
    if (OrvanPdfVtJobInitDevModeProperty(job, 1, found, true) == 1 ||
        GetJobErrorCode(job) != kPrinterNotFound) {
      available = true;
      WriteTrace("VatnerIsAvailable");
    }
  }
  FreeJob(job);
  WriteTrace(available ? "VatnerIsAvailable" : "VatnerIsNotAvailable");
  return available;
}

DocInfos GetPrivateDocInfos(std::int32_t job_handle, std::int32_t& result) {
  WriteTrace("GetPrivateDocInfos");
  DocInfos infos(6, std::string(kBufferSize, ' '));
  for (std::size_t i = 0; i < infos.size(); ++i) {
    result =
        OrvanPdfVtJobGetPropertyVal(job_handle, kPropertyNames[i], infos[i], kBufferSize, false);
    if (result != 1) return {};
    if (i == 4) WriteTrace("Old DestinationDirectory:" + infos[i]);
    if (i == 5) WriteTrace("Old SaveAction:" + infos[i]);
  }
  return infos;
}

std::int32_t SetPrivateDocInfos(std::int32_t job_handle, const DocInfos& doc_infos) {
  WriteTrace("SetPrivateDocInfos");
  std::int32_t result = 0;
  // A list without elements has no highest index.
  if (doc_infos.empty()) throw VbError::Runtime(vberr::kSubscriptOutOfRange);
  const std::size_t highest = doc_infos.size() - 1;
  if (highest >= 3) {
    for (std::size_t i = 0; i < 4; ++i) {
      result = OrvanPdfVtJobSetPropertyVal(job_handle, kPropertyNames[i], doc_infos[i], false);
      if (result < 1) return result;
    }
  }
  if (highest == 5) {
    result = OrvanPdfVtJobSetPropertyVal(job_handle, "DestinationDirectory", doc_infos[4], false);
    if (result > 0) {
      WriteTrace("DestinationDirectory" + doc_infos[4]);
      result = OrvanPdfVtJobSetPropertyVal(job_handle, "SaveAction", doc_infos[5], false);
      if (result > 0) WriteTrace("SaveAction" + doc_infos[5]);
    }
  }
  return result;
}

DocInfos GetBuiltInDocInfos(const ObjectRef& document) {
  const ObjectRef properties = ObjectMember(document, "BuiltInDocumentProperties");
  if (!properties) return {};
  // Built-in indexes 1 title, 3 author, 2 subject, 4 keywords, in the list's order.
  DocInfos infos;
  for (const std::int32_t index : {1, 3, 2, 4}) {
    const ObjectRef property = AsObject(Get(properties, kDefaultMember, {index}));
    infos.push_back(ToText(Get(property, "Value")));
  }
  return infos;
}

std::int32_t InitPrintJob(std::int32_t& job_handle, DocInfos& old_doc_infos,
                          const ObjectRef& document, bool quiet) {
  WriteTrace("InitPrintJob");
  std::int32_t result = 0;
  job_handle = -1;
  try {
    if (OrvanPdfVtJobCreate(job_handle, -1, false) != 1) return result;
    if (OrvanPdfVtJobSetPropertyVal(job_handle, "PrinterName", PdfPrinterName(), false) != 1) {
      return result;
    }
    std::int32_t found = 0;
    result = OrvanPdfVtJobInitDevModeProperty(job_handle, 1, found, quiet);
    if (!quiet && result != 1) return result;
    old_doc_infos = GetPrivateDocInfos(job_handle, result);
    if (result != 1) return result;
    result = SetPrivateDocInfos(job_handle, GetBuiltInDocInfos(document));
    if (result != 1) return result;

    const std::string path = ToText(Get(document, "Path"));
    WriteTrace("Document Path: " + path);
    WriteTrace("Current SaveAction: " + old_doc_infos[5]);
    if (old_doc_infos[5] == "0" && !path.empty()) {
      // A saved document with the job's save action "0": the PDF goes to its folder.
      if (OrvanPdfVtJobSetPropertyVal(job_handle, "DestinationDirectory", path, false) < 1) {
        return result;
      }
      WriteTrace("DestinationDirectory" + path);
      if (OrvanPdfVtJobSetPropertyVal(job_handle, "SaveAction", "1", false) <= 0) return result;
      WriteTrace(std::string("SaveAction") + "1");
    }
    result = OrvanPdfVtJobSaveDevModeProperty(job_handle, kSaveMode, quiet);
  } catch (const VbError&) {
    // Any run-time error ends the set-up with the result reached.
  }
  return result;
}

void OpenPrinterConfiguration(const ObjectRef& application, const ObjectRef& document, bool quiet) {
  if (!CheckIfVatnerIsAvailable(application)) {
    MsgBox("Der Drucker mit dem Namen: '" + PdfPrinterName() + "' ist nicht installiert.",
           kStyleExclamation);
    return;
  }
  std::int32_t job = -1;
  try {
    [&] {
      if (!CreateJobForPrinter(job)) return;
      std::int32_t found = 0;
      std::int32_t result = OrvanPdfVtJobInitDevModeProperty(job, 1, found, quiet);
      if (!quiet && result != 1) return;
      const DocInfos old = GetPrivateDocInfos(job, result);
      if (result != 1) return;
      if (SetPrivateDocInfos(job, GetBuiltInDocInfos(document)) != 1) return;
      if (OrvanPdfVtJobSetPropertyVal(job, "InternalUse", "10", false) != 1) return;
      result = OrvanPdfVtJobSaveDevModeProperty(job, kSaveMode, quiet);
      if (!quiet && result != 1) return;
      std::int32_t outcome = 0;
      const bool shown = [&] {
        const profile::Phase dialog("dialog");
        return OrvanPdfVtJobShowDevModeProperty(job, outcome, false) == 1;
      }();
      if (!shown) return;
      // Cancelled: the job gets its former document information back.
      if (outcome != 1) SetPrivateDocInfos(job, old);
      OrvanPdfVtJobSaveDevModeProperty(job, kSaveMode, quiet);
    }();
  } catch (const VbError& e) {
    MsgBox(
        "Fehler " + std::to_string(e.number()) + " ist beim Öffnen der Konfiguration aufgetreten.",
        kStyleExclamation);
  }
  FreeJob(job);
}

bool ApplyApplicationDevmodeStartup() {
  std::int32_t job_a = -1;
  bool stored = false;
  try {
    stored = AdjustStartupSettings(job_a);
  } catch (...) {
    // The caller's handler reports the error; a failing free must not show a box before it.
    if (job_a >= 0) OrvanPdfVtJobFree(job_a, true);
    throw;
  }
  FreeJob(job_a);
  return stored;
}

}  // namespace orvan
