// A one-page PDF written object by object, for tests and benchmarks that need a document of
// exactly known content.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace svctest {

// A well-formed PDF whose objects 1..n are `objects` (bodies without "n 0 obj"); object 1 must
// be the catalog.
inline std::string PDFFromObjects(const std::vector<std::string>& objects) {
    std::string pdf = "%PDF-1.7\n%\xE2\xE3\xCF\xD3\n";
    std::string xref = "xref\n0 " + std::to_string(objects.size() + 1) + "\n0000000000 65535 f \n";
    for (size_t i = 0; i < objects.size(); ++i) {
        char line[32];
        std::snprintf(line, sizeof line, "%010zu 00000 n \n", pdf.size());
        xref += line;
        pdf += std::to_string(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
    }
    const size_t start = pdf.size();
    return pdf + xref + "trailer\n<< /Size " + std::to_string(objects.size() + 1) +
           " /Root 1 0 R >>\nstartxref\n" + std::to_string(start) + "\n%%EOF\n";
}

// A page of `width` x `height` points drawing `content` with `resources`; `extra` objects
// follow from number 5 on (the catalog, page tree, page and contents are 1 to 4).
inline std::string OnePagePDF(double width, double height, const std::string& resources,
                              const std::string& content,
                              const std::vector<std::string>& extra = {}) {
    std::vector<std::string> objects = {
        "<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 " + std::to_string(width) + " " +
            std::to_string(height) + "] /Resources " + resources + " /Contents 4 0 R >>",
        "<< /Length " + std::to_string(content.size()) + " >>\nstream\n" + content + "\nendstream"};
    objects.insert(objects.end(), extra.begin(), extra.end());
    return PDFFromObjects(objects);
}

}  // namespace svctest
