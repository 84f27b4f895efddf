#include "platform/picture_printer.h"

#include <QImage>
#include <QPageLayout>
#include <QPainter>
#include <QPrinter>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace tellur::platform {

namespace {

// The rows of the request, counted from the first written row, as a colour-mapped image.
QImage printedBand(const storage::TDI8Bitmap& picture, const fax::PrintRequest& r)
{
    const int first = picture.hasWrittenRows() ? picture.lowestWrittenRow() : 0;
    const int left = std::clamp(r.left, 0, picture.width());
    const int right = std::clamp(r.right, left, picture.width());
    const int top = std::clamp(first + r.top, 0, picture.fullHeight());
    const int bottom = std::clamp(first + r.bottom, top, picture.fullHeight());
    QImage image(std::max(right - left, 1), std::max(bottom - top, 1), QImage::Format_Indexed8);
    image.fill(0);
    QList<QRgb> colours(256);
    for (int i = 0; i < 256; ++i) {
        const std::uint32_t c = picture.getColour(i);
        colours[i] = qRgb(storage::colourRed(c), storage::colourGreen(c), storage::colourBlue(c));
    }
    image.setColorTable(colours);
    for (int y = top; y < bottom; ++y)
        if (const std::uint8_t* row = picture.row(y))
            std::memcpy(image.scanLine(y - top), row + left, std::size_t(right - left));
    return image.mirrored(r.flipHorizontal, r.flipVertical);
}

} // namespace

bool QtPicturePrinter::print(const storage::TDI8Bitmap& picture, const fax::PrintRequest& request)
{
    const QImage band = printedBand(picture, request);
    QPrinter printer(QPrinter::ScreenResolution);
    if (!m_pdfFile.empty()) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(QString::fromStdString(m_pdfFile.string()));
    } else if (!printer.isValid()) {
        return false;
    }
    if (request.automaticOrientation)
        printer.setPageOrientation(band.width() < band.height() ? QPageLayout::Portrait : QPageLayout::Landscape);
    QPainter painter;
    if (!painter.begin(&printer))
        return false;
    const QRect page = painter.viewport();
    const double f = std::min(page.width() * 0.95 / band.width(), page.height() * 0.95 / band.height());
    const int w = int(std::lround(band.width() * f)), h = int(std::lround(band.height() * f));
    const QRect target((page.width() - w) / 2, (page.height() - h) / 2, w, h);
    painter.drawText(page.topLeft() + QPoint(0, painter.fontMetrics().ascent()), QString::fromStdString(request.heading));
    painter.drawImage(target, band);
    return painter.end();
}

} // namespace tellur::platform
