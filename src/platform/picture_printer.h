// Printing received pictures through QPrinter: the system's default printer (CUPS), or a PDF
// file when one is named. Reentrant: the FAX save thread prints with its own printer object.
#pragma once

#include "fax/fax_saving.h"

#include <filesystem>

namespace tellur::platform {

class QtPicturePrinter final : public fax::PicturePrinter {
public:
    // pdfFile empty: the default printer.
    explicit QtPicturePrinter(std::filesystem::path pdfFile = {}) : m_pdfFile(std::move(pdfFile)) {}
    bool print(const storage::TDI8Bitmap& picture, const fax::PrintRequest& request) override;

private:
    std::filesystem::path m_pdfFile;
};

} // namespace tellur::platform
