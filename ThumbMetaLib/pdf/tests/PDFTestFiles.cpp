#include "ThumbMetaLib/pdf/tests/PDFTestFiles.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace ThumbMetaLib::pdftest {

std::string CorpusPDF(const std::string& name) {
    const std::string path = std::string(VANTORY_CORPUS_DIR) + "/pdf/" + name;
    if (!std::filesystem::exists(path)) {
        ADD_FAILURE() << "missing corpus file " << path;
    }
    return path;
}

std::string ScratchPath(const std::string& name) {
    static const std::string dir = [] {
        std::string made = std::filesystem::temp_directory_path().string() + "/vantory-pdf-" +
                           std::to_string(getpid());
        std::filesystem::create_directories(made);
        return made;
    }();
    return dir + "/" + name;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

std::string ScratchCopy(const std::string& path, const std::string& name) {
    const std::string copy = ScratchPath(name);
    WriteFile(copy, ReadFile(path));
    return copy;
}

std::string MakePDF(const std::vector<std::string>& objects) {
    std::string pdf = "%PDF-1.7\n%\xE2\xE3\xCF\xD3\n";
    std::vector<size_t> offsets;
    for (size_t i = 0; i < objects.size(); ++i) {
        offsets.push_back(pdf.size());
        pdf += std::to_string(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
    }
    const size_t xref = pdf.size();
    pdf += "xref\n0 " + std::to_string(objects.size() + 1) + "\n0000000000 65535 f \n";
    for (size_t offset : offsets) {
        char line[21];
        std::snprintf(line, sizeof line, "%010zu 00000 n \n", offset);
        pdf += line;
    }
    pdf += "trailer\n<< /Size " + std::to_string(objects.size() + 1) +
           " /Root 1 0 R >>\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n";
    return pdf;
}

std::string RunCommand(const std::string& command, int* status) {
    std::string out;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
        ADD_FAILURE() << "cannot run " << command;
        return out;
    }
    char buffer[4096];
    size_t got = 0;
    while ((got = fread(buffer, 1, sizeof buffer, pipe)) > 0) {
        out.append(buffer, got);
    }
    const int raw = pclose(pipe);
    if (status != nullptr) {
        *status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    }
    return out;
}

double MeanDifference(const Pixels& a, const Pixels& b) {
    double sum = 0;
    for (uint32_t y = 0; y < a.Height(); ++y) {
        const uint8_t* p = a.Bytes() + static_cast<size_t>(y) * a.RowBytes();
        const uint8_t* q = b.Bytes() + static_cast<size_t>(y) * b.RowBytes();
        for (uint32_t x = 0; x < a.Width() * 4; ++x) {
            sum += std::abs(p[x] - q[x]);
        }
    }
    return sum / (4.0 * a.Width() * a.Height());
}

}  // namespace ThumbMetaLib::pdftest
