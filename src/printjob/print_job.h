// Preparing jobs on the PDF printer: availability, document information, the job for a print,
// the configuration command and the start-up printer settings.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "support/automation.h"

namespace orvan {

// Title, author, subject, keywords, destination directory, save action; empty when unreadable.
using DocInfos = std::vector<std::string>;

// True when a job on the PDF printer can be set up (only error 512 counts as a missing printer).
bool CheckIfVatnerIsAvailable(const ObjectRef& application);

// Reads the job's six document properties; result receives the last read's result.
DocInfos GetPrivateDocInfos(std::int32_t job_handle, std::int32_t& result);

// Writes four (title to keywords) or six properties; an empty list raises subscript out of range.
std::int32_t SetPrivateDocInfos(std::int32_t job_handle, const DocInfos& doc_infos);

// Title, author, subject, keywords from the document's built-in properties; empty when it has
// none. Host errors reach the caller.
DocInfos GetBuiltInDocInfos(const ObjectRef& document);

// Creates and prepares the job for printing the document; the job stays open for the caller,
// who frees it whenever job_handle is 0 or greater. 1 when ready.
std::int32_t InitPrintJob(std::int32_t& job_handle, DocInfos& old_doc_infos,
                          const ObjectRef& document, bool quiet);

// The configuration command: the printer's property dialog for a job carrying the document's
// information; cancelling puts the former information back.
void OpenPrinterConfiguration(const ObjectRef& application, const ObjectRef& document, bool quiet);

// Adjusts the printer's start-up settings once per start; true when they were stored.
bool ApplyApplicationDevmodeStartup();

}  // namespace orvan
