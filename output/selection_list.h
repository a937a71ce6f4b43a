#pragma once
// The printed selection list: A4 portrait pages with the customer's title, the photo
// folder and the number of picks on the first page, column headers and a footer with the
// studio's text and the page number on every page, and one row per pick, with a small
// picture or as a compact line. The same pages go to the preview, the printer and PDF.

#include <QImage>
#include <QString>
#include <vector>

#include "output/staging.h"

class QPagedPaintDevice;

namespace output {

struct ListRow {
    QString album;
    QString path;  // below the customer's photo folder when it lies there
    QString note;
    QImage picture;  // null in compact lists
};

// Everything the pages show, read once: a later staging run does not change a list that
// is being previewed.
struct SelectionList {
    QString title;       // "客户 " + name + " 选片单"
    QString folderLine;  // "文件夹路径:" + photo folder
    QString footer;      // the studio's footer text (printinfo)
    bool withPictures = true;
    std::vector<ListRow> rows;
};

// The list's title for a customer, also the name of its print job and PDF.
QString ListTitle(const QString& customerName);

// Stages the selection with relative paths and reads it into a list; pictures are drawn
// only for a list with pictures. Throws data::VerimondError when the staging fails.
SelectionList LoadSelectionList(const OutputCustomer& customer, bool withPictures,
                                const StagingProgress& progress = {});

struct ListPage {
    int firstRow = 0;
    int rowCount = 0;
};

// How the rows fall on pages; at least one page, the title only on the first.
std::vector<ListPage> PaginateList(int rows, bool withPictures);

// Sets A4 portrait with 10 mm margins on device and paints the pages. False when the
// device could not be painted on.
bool PaintSelectionList(QPagedPaintDevice* device, const SelectionList& list);

// Writes the pages as a PDF file at path, through a temporary file beside it.
bool WriteSelectionListPdf(const SelectionList& list, const QString& path, QString* reason);

// The font the list is printed in: a CJK face that exists here.
QString ListFontFamily();

}  // namespace output
