#include "ZELVReport.h"

#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <hpdf.h>
#include <qrcodegen/qrcodegen.hpp>
#include <stdexcept>

namespace {

QString Env(const char* name) {
    return QString::fromLocal8Bit(qgetenv(name));
}

int Keyword(const QString& text, std::initializer_list<std::pair<const char*, int>> table) {
    const QString t = text.trimmed();
    for (const auto& [word, value] : table)
        if (t.compare(QLatin1String(word), Qt::CaseInsensitive) == 0)
            return value;
    return 0;
}

// The base fonts speak Windows-1252; what it cannot hold becomes "?".
QByteArray ToWinAnsi(const QString& text) {
    static const char16_t high[32] = {
        0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};
    QByteArray out;
    out.reserve(text.size());
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u < 0x20)
            out.append(' ');
        else if (u < 0x80 || (u >= 0xA0 && u <= 0xFF))
            out.append(static_cast<char>(u));
        else {
            char b = '?';
            for (int i = 0; i < 32; ++i)
                if (high[i] && high[i] == u)
                    b = static_cast<char>(0x80 + i);
            out.append(b);
        }
    }
    return out;
}

void PdfError(HPDF_STATUS error, HPDF_STATUS detail, void* user);

} // namespace

struct ZELVReport::Pdf {
    HPDF_Doc doc = nullptr;
    HPDF_Page page = nullptr;
    HPDF_Font bold = nullptr;
    HPDF_Font regular = nullptr;
    HPDF_Image logo = nullptr;
    HPDF_STATUS error = 0;
    double width = 0;
    double height = 0;
    double rowsTop = 0;
    int rowsPerPage = 1;
    int pageNumber = 0;
    int pageRow = 0;
    // Drawn place of each column; width 0 for hidden ones.
    std::vector<double> x;
    std::vector<double> w;

    ~Pdf() {
        if (doc)
            HPDF_Free(doc);
    }
};

namespace {
void PdfError(HPDF_STATUS error, HPDF_STATUS detail, void* user) {
    std::fprintf(stderr, "Error PDF Object: error_no=%04X, detail_no=%u\n",
                 static_cast<unsigned>(error), static_cast<unsigned>(detail));
    auto* pdf = static_cast<ZELVReport::Pdf*>(user);
    if (!pdf->error)
        pdf->error = error;
}

// The text cut to what fits in the width at the page's current font.
QByteArray Fit(HPDF_Page page, const QByteArray& text, double width) {
    if (text.isEmpty() || width <= 0)
        return {};
    HPDF_REAL real = 0;
    const HPDF_UINT n = HPDF_Page_MeasureText(page, text.constData(), static_cast<HPDF_REAL>(width),
                                              HPDF_FALSE, &real);
    return n >= static_cast<HPDF_UINT>(text.size()) ? text : text.left(static_cast<qsizetype>(n));
}

void Text(HPDF_Page page, double x, double y, const QByteArray& text) {
    if (text.isEmpty())
        return;
    HPDF_Page_BeginText(page);
    HPDF_Page_TextOut(page, static_cast<HPDF_REAL>(x), static_cast<HPDF_REAL>(y), text.constData());
    HPDF_Page_EndText(page);
}

void Fill(HPDF_Page page, double x, double y, double w, double h, double r, double g, double b) {
    HPDF_Page_SetRGBFill(page, static_cast<HPDF_REAL>(r), static_cast<HPDF_REAL>(g),
                         static_cast<HPDF_REAL>(b));
    HPDF_Page_Rectangle(page, static_cast<HPDF_REAL>(x), static_cast<HPDF_REAL>(y),
                        static_cast<HPDF_REAL>(w), static_cast<HPDF_REAL>(h));
    HPDF_Page_Fill(page);
}

void DrawQR(HPDF_Page page, double x, double y, double size, const QString& text) {
    // A payload too long for the largest symbol is shortened until it fits,
    // so every page still carries its page number.
    QByteArray data = text.toUtf8();
    for (;;) {
        try {
            const auto qr =
                qrcodegen::QrCode::encodeText(data.constData(), qrcodegen::QrCode::Ecc::MEDIUM);
            const int border = 4;
            const int n = qr.getSize();
            const double m = size / (n + 2 * border);
            Fill(page, x, y, size, size, 1, 1, 1);
            HPDF_Page_SetRGBFill(page, 0, 0, 0);
            for (int row = 0; row < n; ++row) {
                for (int col = 0; col < n;) {
                    if (!qr.getModule(col, row)) {
                        ++col;
                        continue;
                    }
                    int end = col;
                    while (end < n && qr.getModule(end, row))
                        ++end;
                    HPDF_Page_Rectangle(page, static_cast<HPDF_REAL>(x + (border + col) * m),
                                        static_cast<HPDF_REAL>(y + size - (border + row + 1) * m),
                                        static_cast<HPDF_REAL>((end - col) * m),
                                        static_cast<HPDF_REAL>(m));
                    col = end;
                }
            }
            HPDF_Page_Fill(page);
            return;
        } catch (const qrcodegen::data_too_long&) {
            if (data.size() < 16)
                return;
            data.chop(data.size() / 4);
        }
    }
}
} // namespace

ZELVReport::ZELVReport(const ZELVClock& clock) : m_clock(clock) {
    m_start = m_clock.Now();
}

ZELVReport::~ZELVReport() = default;

int ZELVReport::FormatFromText(const QString& text) {
    return Keyword(text, {{"text", FormatText}, {"csv", FormatCSV}, {"pdf", FormatPDF}});
}

int ZELVReport::OrientationFromText(const QString& text) {
    return Keyword(text, {{"portrait", Portrait}, {"landscape", Landscape}});
}

int ZELVReport::PageSizeFromText(const QString& text) {
    return Keyword(text, {{"letter", Letter},
                          {"legal", Legal},
                          {"A3", A3},
                          {"A4", A4},
                          {"A5", A5},
                          {"B4", B4},
                          {"B5", B5},
                          {"executive", Executive}});
}

QString ZELVReport::GroupDigits(const QString& field) {
    const QString t = field.trimmed().left(32);
    if (t.isEmpty() || t.startsWith(QLatin1Char('?')))
        return field;
    bool ok = false;
    const qlonglong v = t.toLongLong(&ok);
    if (!ok)
        return field;
    QString digits = QString::number(v < 0 ? -(v + 1) + 1ULL : static_cast<qulonglong>(v));
    for (qsizetype i = digits.size() - 3; i > 0; i -= 3)
        digits.insert(i, QLatin1Char(','));
    return v < 0 ? QLatin1Char('-') + digits : digits;
}

QString ZELVReport::FormatTime(time_t t, const char* format) {
    struct tm tm {};
    localtime_r(&t, &tm);
    char buffer[256];
    const size_t n = std::strftime(buffer, sizeof buffer, format, &tm);
    return QString::fromLocal8Bit(buffer, static_cast<qsizetype>(n));
}

void ZELVReport::CreateReport() {
    m_columns.clear();
    m_lineWidth = m_hiddenWidth = m_hiddenSpace = 0;
    m_hiddenMarked = false;
    m_rows = 0;
    m_title.clear();
    m_notes.clear();
    m_pdf.reset();
    m_start = m_clock.Now();
    m_format = FormatFromText(Env("ZELVREPORTFORMAT"));
    m_hiddenText = Env("ZELVREPORTCOLUMNDELETE").left(kMaxHiddenText);
    m_logo.clear();
    SetLogo(Env("ZELVPDFLOGOPATH"));
    m_outputPath = Env("ZELVPDFOUTPUTPATH").left(kMaxPath);
    m_orientation = OrientationFromText(Env("ZELVPDFORIENTATION"));
    m_pageSize = PageSizeFromText(Env("ZELVPDFPAGESIZE"));
}

bool ZELVReport::SetLogo(const QString& path) {
    const QFileInfo info(path);
    if (path.isEmpty() || !info.isFile())
        return false;
    m_logo = path.left(kMaxPath);
    return true;
}

bool ZELVReport::AddReportColumn(int width, const QString& heading, int flags) {
    if (static_cast<int>(m_columns.size()) >= kMaxColumns)
        return false;
    Column c;
    c.width = std::max(0, width);
    c.start = m_lineWidth;
    c.flags = flags;
    c.heading = heading.left(kMaxHeading);
    m_lineWidth += c.width + 1;
    m_columns.push_back(std::move(c));
    return true;
}

void ZELVReport::MarkHidden() {
    if (m_hiddenMarked)
        return;
    m_hiddenMarked = true;
    const auto parts = m_hiddenText.split(QLatin1Char(','), Qt::SkipEmptyParts);
    for (const QString& part : parts) {
        bool ok = false;
        const int n = part.trimmed().toInt(&ok);
        if (!ok || n < 1 || n >= kMaxColumns || n > static_cast<int>(m_columns.size()))
            continue;
        Column& c = m_columns[static_cast<size_t>(n - 1)];
        if (c.flags & ColumnHidden)
            continue;
        c.flags |= ColumnHidden;
    }
    for (const Column& c : m_columns)
        if (c.flags & ColumnHidden) {
            m_hiddenWidth += c.width;
            m_hiddenSpace += c.width + 1;
        }
}

void ZELVReport::Write(const QString& text) {
    if (!m_out) {
        auto out = std::make_unique<QFile>();
        out->open(stdout, QIODevice::WriteOnly);
        m_stdout = std::move(out);
        m_out = m_stdout.get();
    }
    m_out->write(text.toUtf8());
}

QStringList ZELVReport::Fields(const QString& row) const {
    return row.split(QLatin1Char('|'));
}

QString ZELVReport::LayoutLine(const QStringList& fields, bool headings) const {
    QString line(m_lineWidth - m_hiddenSpace, QLatin1Char(' '));
    int shift = 0;
    for (size_t i = 0; i < m_columns.size(); ++i) {
        const Column& c = m_columns[i];
        if (c.flags & ColumnHidden) {
            shift += c.width + 1;
            continue;
        }
        if (static_cast<qsizetype>(i) >= fields.size())
            continue;
        QString f = fields[static_cast<qsizetype>(i)];
        if (!headings && (c.flags & ColumnNumeric))
            f = GroupDigits(f);
        f.truncate(c.width);
        // A line break or tab inside a field would tear the columns apart.
        for (QChar& ch : f)
            if (ch.unicode() < 0x20)
                ch = QLatin1Char(' ');
        int at = c.start - shift;
        if (!headings && (c.flags & ColumnRight))
            at += c.width - static_cast<int>(f.size());
        line.replace(at, f.size(), f);
    }
    return line;
}

QString ZELVReport::UnderLine() const {
    QString line(m_lineWidth - m_hiddenSpace, QLatin1Char(' '));
    int shift = 0;
    for (const Column& c : m_columns) {
        if (c.flags & ColumnHidden) {
            shift += c.width + 1;
            continue;
        }
        line.replace(c.start - shift, c.width, QString(c.width, QLatin1Char('-')));
    }
    return line;
}

void ZELVReport::BeginReport(const ExtraHeader& extra, const QString& description,
                             const QString& notes) {
    MarkHidden();
    m_title = description;
    m_notes = notes;
    QStringList headings;
    for (const Column& c : m_columns)
        headings << c.heading;

    if (m_format == FormatCSV) {
        QString line;
        for (const Column& c : m_columns)
            if (!(c.flags & ColumnHidden))
                line += c.heading + QLatin1Char(',');
        Write(line + QLatin1Char('\n'));
        return;
    }
    if (m_format == FormatPDF) {
        m_pdf = std::make_unique<Pdf>();
        m_pdf->doc = HPDF_New(PdfError, m_pdf.get());
        if (!m_pdf->doc)
            return;
        HPDF_SetCompressionMode(m_pdf->doc, HPDF_COMP_ALL);
        m_pdf->bold = HPDF_GetFont(m_pdf->doc, "Helvetica-Bold", "WinAnsiEncoding");
        m_pdf->regular = HPDF_GetFont(m_pdf->doc, "Helvetica", "WinAnsiEncoding");
        if (!m_logo.isEmpty()) {
            m_pdf->logo =
                HPDF_LoadJpegImageFromFile(m_pdf->doc, QFile::encodeName(m_logo).constData());
            if (!m_pdf->logo) {
                // Not a JPEG: the page goes without a logo.
                HPDF_ResetError(m_pdf->doc);
                m_pdf->error = 0;
            }
        }
        return;
    }

    QString head = QStringLiteral("\n             System: Kelmar\n Report Description: ") +
                   description + QLatin1Char('\n');
    if (!notes.isEmpty())
        head += QStringLiteral("       Report Notes: ") + notes + QLatin1Char('\n');
    head += QStringLiteral("    Production Time: ") +
            FormatTime(m_start, "%A, %B %d, %Y - %H:%M:%S (%Z)") + QLatin1Char('\n');
    head += QStringLiteral("       Report Width: %1 bytes\n").arg(m_lineWidth);
    if (m_hiddenWidth)
        head += QStringLiteral("      Report Hidden: %1 bytes\n").arg(m_hiddenWidth);
    head += QLatin1Char('\n');
    Write(head);
    if (extra) {
        extra(*this);
        Write(QStringLiteral("\n"));
    }
    Write(LayoutLine(headings, true) + QLatin1Char('\n') + UnderLine() + QLatin1Char('\n'));
}

void ZELVReport::AddReportRowF(const char* format, ...) {
    va_list ap;
    va_start(ap, format);
    const QString row = QString::vasprintf(format, ap);
    va_end(ap);
    AddReportRow(row);
}

void ZELVReport::AddReportRow(const QString& text) {
    AddReportFields(Fields(text.left(kMaxRow)));
}

void ZELVReport::AddReportFields(const QStringList& fields) {
    ++m_rows;
    if (m_format == FormatCSV) {
        QString line;
        for (size_t i = 0; i < m_columns.size(); ++i) {
            if (m_columns[i].flags & ColumnHidden)
                continue;
            if (static_cast<qsizetype>(i) < fields.size())
                line += fields[static_cast<qsizetype>(i)].trimmed();
            line += QLatin1Char(',');
        }
        Write(line + QLatin1Char('\n'));
        return;
    }
    if (m_format != FormatPDF) {
        Write(LayoutLine(fields, false) + QLatin1Char('\n'));
        return;
    }
    if (!m_pdf || !m_pdf->doc)
        return;
    Pdf& p = *m_pdf;
    if (!p.page || p.pageRow >= p.rowsPerPage)
        PdfPage();
    const double base = p.rowsTop - (p.pageRow + 1) * kRowHeight;
    if (p.pageRow % 2 == 0)
        Fill(p.page, kMarginX, base, p.width - 2 * kMarginX, kRowHeight, 0.98, 0.98, 0.98);
    HPDF_Page_SetRGBFill(p.page, 0, 0, 0);
    HPDF_Page_SetFontAndSize(p.page, p.regular, 8);
    for (size_t i = 0; i < m_columns.size(); ++i) {
        const Column& c = m_columns[i];
        if ((c.flags & ColumnHidden) || static_cast<qsizetype>(i) >= fields.size())
            continue;
        QString f = fields[static_cast<qsizetype>(i)];
        if (c.flags & ColumnNumeric)
            f = GroupDigits(f);
        const QByteArray t = Fit(p.page, ToWinAnsi(f.trimmed()), p.w[i] - 5);
        const double tx = (c.flags & ColumnRight)
                              ? p.x[i] + p.w[i] - 5 - HPDF_Page_TextWidth(p.page, t.constData())
                              : p.x[i];
        Text(p.page, tx, base + 3, t);
    }
    ++p.pageRow;
}

void ZELVReport::PdfPage() {
    // New page: heading, band, QR code and number; rows go below.
    Pdf& p = *m_pdf;
    p.page = HPDF_AddPage(p.doc);
    const int size = (m_pageSize >= Letter && m_pageSize <= Executive) ? m_pageSize : Letter;
    HPDF_Page_SetSize(p.page, static_cast<HPDF_PageSizes>(size),
                      m_orientation == Landscape ? HPDF_PAGE_LANDSCAPE : HPDF_PAGE_PORTRAIT);
    p.width = HPDF_Page_GetWidth(p.page);
    p.height = HPDF_Page_GetHeight(p.page);
    ++p.pageNumber;
    p.pageRow = 0;
    const double top = p.height - kMarginY;
    const double usable = p.width - 2 * kMarginX;
    double logoWidth = 0;
    if (p.logo) {
        const double iw = HPDF_Image_GetWidth(p.logo);
        const double ih = HPDF_Image_GetHeight(p.logo);
        const double scale =
            std::min(kLogoWidth / std::max(1.0, iw), kLogoHeight / std::max(1.0, ih));
        logoWidth = iw * scale;
        HPDF_Page_DrawImage(p.page, p.logo, static_cast<HPDF_REAL>(kMarginX),
                            static_cast<HPDF_REAL>(top - ih * scale),
                            static_cast<HPDF_REAL>(logoWidth), static_cast<HPDF_REAL>(ih * scale));
    }
    const double bandX = kMarginX + (logoWidth > 0 ? logoWidth + 20 : 0);
    const double bandW = std::max(0.0, p.width - kMarginX - kQRSize - 10 - bandX);
    Fill(p.page, bandX, top - 30, bandW, 30, 0.039, 0.254, 0.412);
    const QString when = FormatTime(m_start, "%A, %B %d, %Y - %H:%M:%S");
    HPDF_Page_SetRGBFill(p.page, 1, 1, 1);
    HPDF_Page_SetFontAndSize(p.page, p.bold, 18);
    Text(p.page, bandX + 5, top - 22, Fit(p.page, ToWinAnsi(m_title), bandW - 10));
    HPDF_Page_SetRGBFill(p.page, 0, 0, 0);
    HPDF_Page_SetFontAndSize(p.page, p.regular, 8);
    const double textW = p.width - kMarginX - kQRSize - 10 - bandX;
    Text(p.page, bandX + 5, top - 40, Fit(p.page, ToWinAnsi(m_notes), textW));
    Text(p.page, bandX + 5, top - 50,
         Fit(p.page, ToWinAnsi(QStringLiteral("Production Time: ") + when), textW));
    DrawQR(p.page, p.width - kMarginX - kQRSize, top - kQRSize, kQRSize,
           QStringLiteral("%1;%2;%3").arg(p.pageNumber).arg(m_title, when));

    // Heading band below the QR code, then the column places.
    const double bandTop = top - kQRSize - 6;
    Fill(p.page, kMarginX, bandTop - kRowHeight, usable, kRowHeight, 0.8, 0.8, 0.8);
    int sum = 0;
    for (const Column& c : m_columns)
        if (!(c.flags & ColumnHidden))
            sum += std::max(1, c.width);
    const double unit = sum ? (usable - 5) / sum : 0;
    p.x.assign(m_columns.size(), 0);
    p.w.assign(m_columns.size(), 0);
    double x = kMarginX + 5;
    HPDF_Page_SetRGBFill(p.page, 0, 0, 0);
    HPDF_Page_SetFontAndSize(p.page, p.bold, 8);
    for (size_t i = 0; i < m_columns.size(); ++i) {
        const Column& c = m_columns[i];
        if (c.flags & ColumnHidden)
            continue;
        p.x[i] = x;
        p.w[i] = std::max(1, c.width) * unit;
        x += p.w[i];
        const QByteArray h = Fit(p.page, ToWinAnsi(c.heading), p.w[i] - 5);
        const double hx = (c.flags & ColumnRight)
                              ? p.x[i] + p.w[i] - 5 - HPDF_Page_TextWidth(p.page, h.constData())
                              : p.x[i];
        Text(p.page, hx, bandTop - kRowHeight + 3, h);
    }
    p.rowsTop = bandTop - kRowHeight;
    p.rowsPerPage = std::max(1, static_cast<int>((p.rowsTop - kMarginY) / kRowHeight));

    const QByteArray number = QStringLiteral("Page %1").arg(p.pageNumber).toLatin1();
    HPDF_Page_SetFontAndSize(p.page, p.regular, 8);
    Text(p.page, p.width - kMarginX - HPDF_Page_TextWidth(p.page, number.constData()),
         kMarginY / 2 - 4, number);
}

void ZELVReport::EndReport() {
    if (m_format == FormatCSV)
        Write(QStringLiteral("\n"));
    else if (m_format == FormatText)
        Write(UnderLine() + QLatin1Char('\n'));
    else if (m_pdf && m_pdf->doc && !m_pdf->page)
        PdfPage(); // an empty report still has its heading page
}

int ZELVReport::Pages() const {
    return m_pdf ? m_pdf->pageNumber : 0;
}

int ZELVReport::CloseReport() {
    if (m_format != FormatPDF) {
        if (m_stdout)
            m_stdout->flush();
        return 0;
    }
    if (!m_pdf || !m_pdf->doc)
        return kSaveFailed;
    Pdf& p = *m_pdf;
    if (!p.page)
        PdfPage();
    const HPDF_STATUS saved = HPDF_SaveToStream(p.doc);
    if (saved != HPDF_OK)
        return static_cast<int>(saved);
    QByteArray bytes(static_cast<qsizetype>(HPDF_GetStreamSize(p.doc)), Qt::Uninitialized);
    HPDF_UINT32 size = static_cast<HPDF_UINT32>(bytes.size());
    HPDF_ResetStream(p.doc);
    const HPDF_STATUS read =
        HPDF_ReadFromStream(p.doc, reinterpret_cast<HPDF_BYTE*>(bytes.data()), &size);
    if (read != HPDF_OK && read != HPDF_STREAM_EOF)
        return static_cast<int>(read);
    bytes.truncate(size);
    m_pdf.reset();

    if (m_outputPath.isEmpty() && m_out)
        return m_out->write(bytes) == bytes.size() ? 0 : kSaveFailed;
    if (m_outputPath.isEmpty())
        m_outputPath =
            QStringLiteral("Report-%1.pdf").arg(FormatTime(m_start, "%Y-%m-%d-%H-%M-%S"));
    // Written whole or not at all: a full disk leaves no torn document behind.
    QSaveFile file(m_outputPath);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        return kSaveFailed;
    return 0;
}
