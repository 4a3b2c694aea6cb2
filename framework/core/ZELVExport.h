#pragma once

#include "ZELVAppCore.h"
#include "ZELVClock.h"

#include <QString>
#include <QStringList>
#include <string>
#include <vector>

class QIODevice;

// The rows a list hands to an export: headings, per-column report flags and
// exclusion, and the selected rows in list order.
struct ZELVExportTable {
    QStringList headings;
    // ZELVReport column flags (right-aligned, numeric); missing entries are 0.
    std::vector<int> flags;
    // Columns left out of the text, PDF and mail forms.
    std::vector<bool> excluded;
    // Text-report widths: the longest of heading and cells over all rows of
    // the list, not only the selected ones. Computed from rows when empty.
    std::vector<int> widths;
    std::vector<QStringList> rows;

    int Columns() const { return static_cast<int>(headings.size()); }
    bool IsExcluded(int column) const;
    int Flags(int column) const;
    int Width(int column) const;
};

// Cells handed to the CSV writer row by row as UTF-8, so a long list goes to
// its file without first being copied into a table of strings.
class ZELVExportCells {
public:
    virtual ~ZELVExportCells() = default;
    virtual int Rows() const = 0;
    // Appends the cell's text, UTF-8, to out.
    virtual void AppendCell(int row, int column, std::string& out) const = 0;
};

struct ZELVExportPDFOptions {
    int pageSize = 0;
    int orientation = 0;
    // Comma-separated 1-based numbers of the report's columns to leave out.
    QString exclusion;
    QString logo;
};

// The export writers of every list. Each writes to a device, so tests and
// tools use them without widgets; ToFile adds the file handling that makes
// a failed export leave nothing presented as done.
class ZELVExport {
public:
    enum Type {
        TypeCSV = 1,
        TypeMail = 2,
        TypeText = 3,
        TypeXML = 4,
        TypeSpreadsheet = 5,
        TypePDF = 6
    };
    enum OpenMode { OpenAsk = 0, OpenAlways = 1, OpenNever = 2 };

    static constexpr const char* kOpenFailed = "Failed to open output file";
    static constexpr const char* kWriteFailed = "Failed to write output file";
    static constexpr const char* kPDFFailed = "PDF Export failed with result code: %u";
    static constexpr const char* kMailSubject = "%1 [SEC=UNCLASSIFIED]";
    static constexpr const char* kMailBody =
        "Dear ....\n\nPlease find attached the requested information from Kelmar.";
    static constexpr const char* kMailAttachment = "Kelmar_Report.txt";
    static constexpr int kMaxRecipients = 256;

    // Default file name, save-dialog filter and the type's name in the open prompt.
    static QString DefaultName(int type);
    static QString Filter(int type);
    static QString TypeName(int type);

    // Each returns false when there is nothing to write (no column or no row)
    // or the device refused the bytes.
    static bool WriteCSV(const ZELVExportTable& table, QIODevice& out);
    static bool WriteCSV(const QStringList& headings, const ZELVExportCells& cells, QIODevice& out);
    static bool WriteXML(const ZELVExportTable& table, QIODevice& out);
    static bool WriteText(const ZELVExportTable& table, const QString& title, const QString& notes,
                          QIODevice& out, const ZELVClock& clock = ZELVClock::System());
    // The report writer's save result (0 = written); -1 when there is nothing to write.
    static int WritePDF(const ZELVExportTable& table, const QString& title, const QString& notes,
                        const ZELVExportPDFOptions& options, QIODevice& out,
                        const ZELVClock& clock = ZELVClock::System());

    // Writes one of the file types to path, whole or not at all. Returns the
    // message to show on failure (empty when written or there was nothing to
    // write); written tells which.
    static QString ToFile(int type, const ZELVExportTable& table, const QString& path,
                          bool* written, const QString& title = {}, const QString& notes = {},
                          const ZELVExportPDFOptions& pdf = {},
                          const ZELVClock& clock = ZELVClock::System());

    // CSV streamed from cells to path, whole or not at all; as ToFile.
    static QString CSVToFile(const QStringList& headings, const ZELVExportCells& cells,
                             const QString& path, bool* written);

    // The XML element name for a heading: letters and digits kept, the rest "_".
    static QString ElementName(const QString& heading);
    // One CSV field with RFC 4180 quoting.
    static QString CSVField(const QString& cell);

    // xdg-email composing the mail with the report attached.
    static ZELVCommand MailCommand(const QString& title, const QStringList& recipients,
                                   const QString& attachment);
    // xdg-open for the written file.
    static ZELVCommand OpenCommand(const QString& path);
};
