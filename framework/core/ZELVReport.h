#pragma once

#include "ZELVClock.h"

#include <QString>
#include <QStringList>
#include <ctime>
#include <functional>
#include <memory>
#include <vector>

class QFile;
class QIODevice;

// Turns columns and rows of text into a fixed-width text report, a plain
// comma-separated file or a PDF document with a header band, logo, QR code
// and page numbers. One writer per report; calls go CreateReport,
// AddReportColumn..., BeginReport, AddReportRow..., EndReport, CloseReport.
// The writer knows no widgets and shows nothing: the caller reports failures.
class ZELVReport {
public:
    enum Format { FormatText = 0, FormatCSV = 2, FormatPDF = 4 };
    enum ColumnFlag { ColumnRight = 0x1, ColumnNumeric = 0x2, ColumnHidden = 0x4 };
    enum Orientation { Portrait = 0, Landscape = 1 };
    // The PDF library's page-size numbers.
    enum PageSize { Letter = 0, Legal, A3, A4, A5, B4, B5, Executive };

    static constexpr int kMaxColumns = 32;
    static constexpr int kMaxHeading = 128;
    static constexpr int kMaxHiddenText = 127;
    static constexpr int kMaxRow = 511;
    static constexpr int kMaxPath = 260;
    // The save result when the finished document cannot be written out; the
    // PDF library's own code for a failed file.
    static constexpr int kSaveFailed = 0x1017;

    // PDF geometry, in points.
    static constexpr double kLogoWidth = 158;
    static constexpr double kLogoHeight = 39;
    static constexpr double kMarginY = 30;
    static constexpr double kMarginX = 10;
    static constexpr double kRowHeight = 12;
    static constexpr double kQRSize = 80;

    struct Column {
        int width = 0;
        int start = 0;
        int flags = 0;
        QString heading;
    };
    // PDF document state, kept in the source.
    struct Pdf;

    explicit ZELVReport(const ZELVClock& clock = ZELVClock::System());
    ~ZELVReport();
    ZELVReport(const ZELVReport&) = delete;
    ZELVReport& operator=(const ZELVReport&) = delete;

    // Clears the writer, takes the start time and reads ZELVREPORTFORMAT,
    // ZELVREPORTCOLUMNDELETE and the ZELVPDF... settings.
    void CreateReport();

    int GetFormat() const { return m_format; }
    void SetFormat(int format) { m_format = format; }
    // Comma-separated 1-based column numbers to leave out, applied at the
    // first BeginReport.
    void SetHiddenColumns(const QString& text) { m_hiddenText = text.left(kMaxHiddenText); }
    const QString& HiddenColumns() const { return m_hiddenText; }

    void SetOrientation(int orientation) { m_orientation = orientation; }
    void SetPageSize(int size) { m_pageSize = size; }
    void SetOutputPath(const QString& path) { m_outputPath = path.left(kMaxPath); }
    const QString& OutputPath() const { return m_outputPath; }
    // Only a path naming an existing regular file is taken.
    bool SetLogo(const QString& path);
    const QString& Logo() const { return m_logo; }

    // Where text and comma-separated output go; standard output unless set.
    // A PDF goes there too when no output path is set.
    void SetOutput(QIODevice* device) { m_out = device; }

    // False when the report already has kMaxColumns columns.
    bool AddReportColumn(int width, const QString& heading, int flags = 0);
    const std::vector<Column>& Columns() const { return m_columns; }

    using ExtraHeader = std::function<void(ZELVReport& report)>;
    void BeginReport(const ExtraHeader& extra, const QString& description,
                     const QString& notes = QString());
    // One row; fields separated by "|". The text is data, never a format.
    void AddReportRow(const QString& row);
    // A row already split into fields, for callers whose cells may hold "|".
    void AddReportFields(const QStringList& fields);
    // The printf form for callers that build rows from values.
    void AddReportRowF(const char* format, ...) __attribute__((format(printf, 2, 3)));
    void EndReport();
    // Saves a PDF document; 0 when saved (and always for the other forms),
    // else the PDF library's error or kSaveFailed.
    int CloseReport();

    // Writes text as it stands to the text output (extra-header callbacks).
    void Write(const QString& text);

    int LineWidth() const { return m_lineWidth; }
    int HiddenWidth() const { return m_hiddenWidth; }
    int Rows() const { return m_rows; }
    // Pages of the PDF being drawn.
    int Pages() const;
    time_t StartTime() const { return m_start; }

    // Keyword tables, without regard to case; unknown keywords give 0.
    static int FormatFromText(const QString& text);
    static int OrientationFromText(const QString& text);
    static int PageSizeFromText(const QString& text);
    // "1234567" -> "1,234,567"; a field that is not a whole number, or that
    // starts with "?", comes back as it is.
    static QString GroupDigits(const QString& field);
    // strftime in local time.
    static QString FormatTime(time_t t, const char* format);

private:
    void PdfPage();
    QString LayoutLine(const QStringList& fields, bool headings) const;
    QString UnderLine() const;
    QStringList Fields(const QString& row) const;
    void MarkHidden();

    const ZELVClock& m_clock;
    int m_format = FormatText;
    QString m_hiddenText;
    std::vector<Column> m_columns;
    int m_lineWidth = 0;
    int m_hiddenWidth = 0;
    int m_hiddenSpace = 0;
    bool m_hiddenMarked = false;
    int m_rows = 0;
    QString m_title;
    QString m_notes;
    time_t m_start = 0;
    QIODevice* m_out = nullptr;
    std::unique_ptr<QFile> m_stdout;

    int m_orientation = Portrait;
    int m_pageSize = Letter;
    QString m_outputPath;
    QString m_logo;
    std::unique_ptr<Pdf> m_pdf;
};
