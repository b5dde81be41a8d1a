#pragma once
// What the PDF tests share: corpus files, generated documents, scratch files, reference tools.
#include <string>
#include <vector>

#include "ThumbMetaLib/pixels/Pixels.h"

namespace ThumbMetaLib::pdftest {

// A corpus file's path; the calling test fails, naming it, when it is missing.
std::string CorpusPDF(const std::string& name);

// A fresh file path in a per-process scratch folder.
std::string ScratchPath(const std::string& name);
std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& bytes);
// A copy of `path` in the scratch folder, for tests that write.
std::string ScratchCopy(const std::string& path, const std::string& name);

// A well-formed PDF whose objects 1..n are `objects` (bodies without "n 0 obj"); object 1 must
// be the catalog.
std::string MakePDF(const std::vector<std::string>& objects);

// Runs a shell command; its standard output, and its exit status in `status`.
std::string RunCommand(const std::string& command, int* status = nullptr);

// Mean absolute difference per byte of two interleaved 4-channel Pixels of the same size.
double MeanDifference(const Pixels& a, const Pixels& b);

}  // namespace ThumbMetaLib::pdftest
