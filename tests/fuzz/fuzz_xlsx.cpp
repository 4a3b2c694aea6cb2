// The .xlsx reader over arbitrary bytes. An even first byte: the rest is the
// whole file (zip archives as any file may have them). An odd one: the rest is
// the worksheet's XML inside an otherwise sound workbook, so that the runs
// reach the cells instead of stopping at the zip checksums. The limits are
// small so that a run spends its time on shapes, not on size.
#include "FuzzTarget.h"
#include "ZELVXlsxReader.h"

#include <zip.h>

namespace {

const char* const kWorkbook = "<workbook xmlns:r=\"r\"><workbookPr date1904=\"0\"/><sheets>"
                              "<sheet name=\"Tapes\" r:id=\"rId1\"/></sheets></workbook>";
const char* const kRels =
    "<Relationships><Relationship Id=\"rId1\" Target=\"worksheets/sheet1.xml\"/></Relationships>";
const char* const kStrings = "<sst><si><t>Volume</t></si><si><r><t>Media </t></r><r><t>Type</t>"
                             "</r></si><si><t>ACME</t></si></sst>";
const char* const kStyles = "<styleSheet><numFmts><numFmt numFmtId=\"164\" formatCode=\"d/m/yy\"/>"
                            "</numFmts><cellXfs><xf numFmtId=\"0\"/><xf numFmtId=\"14\"/>"
                            "<xf numFmtId=\"164\"/></cellXfs></styleSheet>";

// A workbook in memory with the sheet given.
QByteArray Workbook(const QByteArray& sheet) {
    zip_error_t err;
    zip_error_init(&err);
    zip_source_t* buffer = zip_source_buffer_create(nullptr, 0, 0, &err);
    QByteArray out;
    if (!buffer)
        return out;
    zip_source_keep(buffer);
    zip_t* z = zip_open_from_source(buffer, ZIP_TRUNCATE, &err);
    if (z) {
        const std::pair<const char*, QByteArray> parts[] = {{"xl/workbook.xml", kWorkbook},
                                                            {"xl/_rels/workbook.xml.rels", kRels},
                                                            {"xl/sharedStrings.xml", kStrings},
                                                            {"xl/styles.xml", kStyles},
                                                            {"xl/worksheets/sheet1.xml", sheet}};
        for (const auto& [name, bytes] : parts) {
            zip_source_t* s =
                zip_source_buffer(z, bytes.constData(), zip_uint64_t(bytes.size()), 0);
            if (s && zip_file_add(z, name, s, ZIP_FL_OVERWRITE) < 0)
                zip_source_free(s);
        }
        if (zip_close(z) != 0)
            zip_discard(z);
        else if (zip_source_open(buffer) == 0) {
            char chunk[4096];
            zip_int64_t got;
            while ((got = zip_source_read(buffer, chunk, sizeof chunk)) > 0)
                out.append(chunk, qsizetype(got));
            zip_source_close(buffer);
        }
    }
    zip_source_free(buffer);
    zip_error_fini(&err);
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    const QByteArray rest(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    const QByteArray bytes = data[0] % 2 ? Workbook(rest) : rest;
    ZELVSheetLimits limits;
    limits.maxPartBytes = 4 * 1024 * 1024;
    limits.maxTotalBytes = 8 * 1024 * 1024;
    limits.maxRows = 20000;
    limits.maxCells = 200000;
    ZELVSheet sheet;
    QString error;
    ZELVReadXlsx(bytes, {}, &sheet, &error, limits);
    ZELVReadXlsx(bytes, QStringLiteral("Tapes"), &sheet, &error, limits);
    return 0;
}
