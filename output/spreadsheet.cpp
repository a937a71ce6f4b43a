#include "output/spreadsheet.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <xlsxwriter.h>

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstdio>

#include "data/file_names.h"
#include "output/folder_export.h"

namespace output {
namespace {

// A unique name beside path, reserved by creating it. Not the folder export's temporary
// names: an export into the same folder removes those it finds as left over.
QByteArray ReserveTemporary(const QString& path) {
    QByteArray name = QFile::encodeName(QFileInfo(path).absolutePath() +
                                        QStringLiteral("/.verimond-xlsx-XXXXXX"));
    const int fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0) return QByteArray();
    // mkostemp makes the file private; the workbook gets the permissions of any new file.
    ::fchmod(fd, data::NewFileMode());
    ::close(fd);
    return name;
}

bool Written(lxw_error error, QString* reason) {
    if (error == LXW_NO_ERROR) return true;
    *reason = error == LXW_ERROR_CREATING_XLSX_FILE || error == LXW_ERROR_CREATING_TMPFILE
                  ? QStringLiteral("无法创建文件")
                  : QStringLiteral("写入电子表格失败(") + QString::fromUtf8(lxw_strerror(error)) +
                        QLatin1Char(')');
    return false;
}

}  // namespace

namespace {

// Writes the workbook into temporary, reserved beside path, and gives it path's name.
// temporary is gone afterwards, whatever happened.
bool WriteWorkbookThrough(const QByteArray& temporary, const std::vector<StagedRow>& rows,
                          const QString& path, QString* reason) {
    lxw_workbook* workbook = workbook_new(temporary.constData());
    if (!workbook) {
        ::unlink(temporary.constData());
        *reason = QStringLiteral("无法创建文件");
        return false;
    }
    lxw_worksheet* sheet = workbook_add_worksheet(workbook, nullptr);
    lxw_format* text = workbook_add_format(workbook);
    format_set_num_format(text, "@");

    bool ok = sheet && text;
    // Every cell written is text, and so is whatever is typed later into the four columns.
    // Formatting whole columns beyond them (or whole rows) would declare the sheet's used
    // range out to the last column, and readers would show or print a huge empty sheet.
    ok = ok && Written(worksheet_set_column(sheet, 0, 3, LXW_DEF_COL_WIDTH, text), reason);
    const char* const header[] = {"序号", "相册名称", "图片地址", "要求备注"};
    for (lxw_col_t col = 0; ok && col < 4; ++col)
        ok = Written(worksheet_write_string(sheet, 0, col, header[col], text), reason);
    lxw_row_t row = 1;
    for (const StagedRow& staged : rows) {
        if (!ok) break;
        const QByteArray cells[] = {QByteArray::number(row), staged.album.toUtf8(),
                                    staged.path.toUtf8(), staged.note.toUtf8()};
        for (lxw_col_t col = 0; ok && col < 4; ++col)
            ok = Written(worksheet_write_string(sheet, row, col, cells[col].constData(), text),
                         reason);
        ++row;
    }
    // Closing writes the file and frees the workbook, whatever happened before.
    const lxw_error closed = workbook_close(workbook);
    ok = ok && Written(closed, reason);
    if (ok && ::rename(temporary.constData(), QFile::encodeName(path).constData()) != 0) {
        *reason = FileErrorReason(errno);
        ok = false;
    }
    if (!ok) ::unlink(temporary.constData());
    return ok;
}

// The temporary file for path, or empty with the reason why none can be made there.
QByteArray TemporaryFor(const QString& path, QString* reason) {
    // A folder in the way would refuse the final rename only after all the work.
    if (QFileInfo(path).isDir()) {
        *reason = FileErrorReason(EISDIR);
        return QByteArray();
    }
    const QByteArray temporary = ReserveTemporary(path);
    if (temporary.isEmpty()) *reason = FileErrorReason(errno);
    return temporary;
}

}  // namespace

bool WriteSelectionWorkbook(const std::vector<StagedRow>& rows, const QString& path,
                            QString* reason) {
    const QByteArray temporary = TemporaryFor(path, reason);
    return !temporary.isEmpty() && WriteWorkbookThrough(temporary, rows, path, reason);
}

int ExportSpreadsheet(const OutputCustomer& customer, const QString& path, QString* reason) {
    // Where no file can be made, the staging table is left as it was.
    const QByteArray temporary = TemporaryFor(path, reason);
    if (temporary.isEmpty()) return -1;
    std::vector<StagedRow> rows;
    try {
        rows = StageAndReadSelection(customer, PathForm::Full, StagedPictures::None, false);
    } catch (...) {
        ::unlink(temporary.constData());
        throw;
    }
    if (!WriteWorkbookThrough(temporary, rows, path, reason)) return -1;
    return static_cast<int>(rows.size());
}

}  // namespace output
