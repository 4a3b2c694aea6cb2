#include "ZELVPrint.h"

#include "ZELVDate.h"
#include "ZELVIcons.h"
#include "ZELVPrompter.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <algorithm>

bool ZELVPrintDialogSetup(QPrinter& printer, QWidget* parent) {
    QPrintDialog dialog(&printer, parent);
    return dialog.exec() == QDialog::Accepted;
}

CZELVPrint::CZELVPrint(Prompter& prompter, const ZELVClock& clock)
    : m_prompter(prompter), m_clock(clock), m_rowFace(QString::fromLatin1(kFontFace)) {}

CZELVPrint::~CZELVPrint() = default;

void CZELVListPrint::AddColumn(const QString& heading, int relativeWidth, int minChars) {
    m_columns.push_back({heading, std::max(1, relativeWidth), std::max(0, minChars)});
}

std::vector<int> CZELVListPrint::ColumnWidths(int available, const std::vector<int>& relative,
                                              const std::vector<int>& minimum) {
    const size_t n = relative.size();
    std::vector<int> widths(n, 0);
    std::vector<bool> fixed(n, false);
    // Columns held at their minimum leave the share-out; repeat until every
    // remaining share is wide enough.
    for (bool changed = true; changed;) {
        changed = false;
        qint64 left = available;
        qint64 total = 0;
        for (size_t i = 0; i < n; ++i) {
            if (fixed[i])
                left -= minimum[i];
            else
                total += relative[i];
        }
        for (size_t i = 0; i < n; ++i) {
            if (fixed[i]) {
                widths[i] = minimum[i];
                continue;
            }
            widths[i] = total > 0 ? int(std::max<qint64>(0, left) * relative[i] / total) : 0;
            if (widths[i] < minimum[i]) {
                fixed[i] = true;
                changed = true;
            }
        }
    }
    return widths;
}

// Where everything goes on a page, in device pixels.
struct CZELVListPrint::Layout {
    QRect page; // inside the margins
    QFont tiny, subTitle, title, heading, row;
    int headingHeight = 0; // bitmap, titles and column headings
    int lineHeight = 0;
    int footerHeight = 0;
    std::vector<int> left;  // per column, the row number column first
    std::vector<int> width; // per column
    QStringList headings;
};

namespace {

QFont PrintFont(const QString& face, int points, bool bold, QPaintDevice* device) {
    QFont font(face, points, bold ? QFont::Bold : QFont::Normal);
    // Point sizes are meant on paper, whatever the device's resolution.
    return QFont(font, device);
}

} // namespace

CZELVPrint::Result CZELVListPrint::Print(int rows, const RowFiller& fill, QWidget* parent) {
    m_pages = 0;
    m_linesPerPage = 0;
    if (rows <= 0 || m_columns.empty()) {
        m_prompter.Tell(QString::fromLatin1(kEmptyText), QString::fromLatin1(kEmptyCaption),
                        PromptIcon::Warning, parent);
        return Result::Empty;
    }

    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(QString::fromLatin1(kDocumentName));
    const ZELVPrinterSetup& setup = m_setup ? m_setup : ZELVPrinterSetup(ZELVPrintDialogSetup);
    if (!setup(printer, parent))
        return Result::Cancelled;
    printer.setFullPage(true);

    QPainter painter;
    if (!painter.begin(&printer)) {
        m_prompter.Tell(QStringLiteral("The print job could not be started."),
                        QString::fromLatin1(kDocumentName), PromptIcon::Error, parent);
        return Result::Failed;
    }

    Layout layout;
    const int dpiX = printer.resolution();
    const int dpiY = printer.resolution();
    const QRect paper = printer.pageLayout().fullRectPixels(printer.resolution());
    const int mx = int(kMarginX * dpiX);
    const int my = int(kMarginY * dpiY);
    layout.page = paper.adjusted(mx, my, -mx, -my);

    const QString face = QString::fromLatin1(kFontFace);
    layout.tiny = PrintFont(face, 6, false, &printer);
    layout.subTitle = PrintFont(face, 18, false, &printer);
    layout.title = PrintFont(face, 24, true, &printer);
    layout.heading = PrintFont(face, 10, true, &printer);
    layout.row = PrintFont(m_rowFace, 10, false, &printer);

    const QFontMetrics titleMetrics(layout.title, &printer);
    const QFontMetrics subMetrics(layout.subTitle, &printer);
    const QFontMetrics headMetrics(layout.heading, &printer);
    const QFontMetrics rowMetrics(layout.row, &printer);
    layout.lineHeight = std::max(rowMetrics.lineSpacing(), headMetrics.lineSpacing());
    layout.footerHeight = QFontMetrics(layout.tiny, &printer).lineSpacing() * 2;
    const int titleBlock = titleMetrics.lineSpacing() + subMetrics.lineSpacing();
    layout.headingHeight = titleBlock + layout.lineHeight * 2;

    // Columns: the row number measured on seven digits, the rest sharing
    // what is left by their relative widths.
    int x = layout.page.left();
    int available = layout.page.width();
    if (m_rowNumbers) {
        const int w = rowMetrics.horizontalAdvance(QStringLiteral("0000000"));
        layout.left.push_back(x);
        layout.width.push_back(w);
        layout.headings.append(QString());
        x += w;
        available -= w;
    }
    const int gap = rowMetrics.horizontalAdvance(QLatin1Char(' '));
    std::vector<int> relative, minimum;
    for (const CZELVListPrintColumn& c : m_columns) {
        relative.push_back(c.relativeWidth);
        // The text plus the gap before the next column, with room to spare
        // for rounding in the printer's metrics.
        minimum.push_back(std::max(headMetrics.horizontalAdvance(c.heading),
                                   rowMetrics.horizontalAdvance(QString(c.minChars, u'0'))) +
                          2 * gap);
    }
    const std::vector<int> widths = ColumnWidths(available, relative, minimum);
    for (size_t i = 0; i < m_columns.size(); ++i) {
        layout.left.push_back(x);
        layout.width.push_back(widths[i]);
        layout.headings.append(m_columns[i].heading);
        x += widths[i];
    }

    const int body = layout.page.height() - layout.headingHeight - layout.footerHeight;
    m_linesPerPage = std::max(1, body / layout.lineHeight - 1);
    m_pages = (rows + m_linesPerPage - 1) / m_linesPerPage;
    const QString when = FormatTime(m_clock.Now(), "%A, %B %d, %Y - %H:%M:%S");

    QStringList texts;
    for (int row = 1; row <= rows; ++row) {
        const int index = (row - 1) % m_linesPerPage;
        if (index == 0) {
            const int page = (row - 1) / m_linesPerPage + 1;
            if (page > 1)
                printer.newPage();
            PrintHeading(painter, layout);
            PrintFooter(painter, layout, page, when);
        }
        texts.clear();
        fill(row, &texts);
        painter.setFont(layout.row);
        const int y = layout.page.top() + layout.headingHeight + index * layout.lineHeight;
        size_t column = 0;
        if (m_rowNumbers) {
            painter.drawText(QRect(layout.left[0], y, layout.width[0] - gap, layout.lineHeight),
                             Qt::AlignRight | Qt::AlignVCenter, QString::number(row));
            column = 1;
        }
        for (qsizetype t = 0; column < layout.left.size(); ++column, ++t) {
            const QString text = t < texts.size() ? texts[t] : QString();
            const int w = std::max(0, layout.width[column] - gap);
            painter.drawText(QRect(layout.left[column], y, w, layout.lineHeight),
                             Qt::AlignLeft | Qt::AlignVCenter,
                             rowMetrics.elidedText(text, Qt::ElideRight, w));
        }
    }
    painter.end();
    return Result::Printed;
}

void CZELVListPrint::PrintHeading(QPainter& painter, const Layout& layout) const {
    const QRect& page = layout.page;
    const QFontMetrics titleMetrics(layout.title, painter.device());
    const QFontMetrics subMetrics(layout.subTitle, painter.device());
    const int titleBlock = titleMetrics.lineSpacing() + subMetrics.lineSpacing();

    int textLeft = page.left();
    if (m_bitmap != 0) {
        const QPixmap bitmap = ZELVBitmap(m_bitmap);
        if (!bitmap.isNull()) {
            const QSize size =
                bitmap.size().scaled(page.width() / 4, titleBlock, Qt::KeepAspectRatio);
            painter.drawPixmap(QRect(page.topLeft(), size), bitmap);
            textLeft += size.width() + titleMetrics.horizontalAdvance(QLatin1Char(' '));
        }
    }
    painter.setFont(layout.title);
    painter.drawText(
        QRect(textLeft, page.top(), page.right() - textLeft, titleMetrics.lineSpacing()),
        Qt::AlignLeft | Qt::AlignVCenter, m_title);
    painter.setFont(layout.subTitle);
    painter.drawText(QRect(textLeft, page.top() + titleMetrics.lineSpacing(),
                           page.right() - textLeft, subMetrics.lineSpacing()),
                     Qt::AlignLeft | Qt::AlignVCenter, m_subTitle);

    const int y = page.top() + titleBlock + layout.lineHeight / 2;
    painter.setFont(layout.heading);
    for (size_t c = 0; c < layout.left.size(); ++c)
        painter.drawText(QRect(layout.left[c], y, layout.width[c], layout.lineHeight),
                         Qt::AlignLeft | Qt::AlignVCenter, layout.headings[qsizetype(c)]);
    const int line = y + layout.lineHeight;
    painter.drawLine(page.left(), line, page.right(), line);
}

void CZELVListPrint::PrintFooter(QPainter& painter, const Layout& layout, int page,
                                 const QString& when) const {
    const QRect& area = layout.page;
    painter.setFont(layout.tiny);
    const QString text = QString::asprintf(kFooterFormat, unsigned(page), unsigned(m_pages),
                                           when.toUtf8().constData());
    painter.drawText(QRect(area.left(), area.bottom() - layout.footerHeight / 2, area.width(),
                           layout.footerHeight / 2),
                     Qt::AlignRight | Qt::AlignVCenter, text);
}
