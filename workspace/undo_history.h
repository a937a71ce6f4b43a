#pragma once
// The customer's last changes to the current customer, newest last, and taking them back
// one at a time. An operation of workspace_operations.h fills an UndoStep with what it
// changed, read inside its own transaction: the rows it deleted and the ids of the rows it
// inserted or changed. Undoing puts exactly those rows back (same ids, same values) in one
// transaction, or refuses and changes nothing when another station has meanwhile changed
// what the step needs.

#include <QString>
#include <QVariant>
#include <optional>
#include <vector>

namespace workspace {

// A row of xcphoto.
struct PickRow {
    qint64 id = 0;
    qint64 sampleId = 0;
    QString album;
};

// A row of customerxc.
struct AlbumRow {
    qint64 id = 0;
    QString name;
};

// A row of photoinfo, its columns as stored (NULL stays NULL).
struct SampleRow {
    qint64 id = 0;
    QVariant odrnum;
    QVariant filename;
    QVariant photofile;
    QVariant zzyq;
};

struct UndoStep {
    enum class Kind {
        None,           // nothing was changed: nothing to record
        Pick,           // picks[0] was inserted
        PickRemoved,    // picks[0] was deleted
        Note,           // sampleId's note went from oldNote to storedNote
        SampleDeleted,  // sample and its picks were deleted
        AlbumAdded,     // albums[0] was inserted
        AlbumRenamed,   // albums (the ids) and the picks in them went from oldName to newName
        AlbumDeleted,   // albums and picks of oldName were deleted
    };
    Kind kind = Kind::None;
    QString customerId;
    qint64 sampleId = 0;  // Pick, PickRemoved, Note, SampleDeleted
    std::vector<PickRow> picks;
    std::vector<AlbumRow> albums;
    std::optional<SampleRow> sample;
    QVariant oldNote;
    QString storedNote;
    QString oldName;
    QString newName;
};

struct UndoOutcome {
    bool undone = false;  // false: refused, nothing changed
    UndoStep::Kind kind = UndoStep::Kind::None;
    // The one line the information box shows: "已撤销：..." or "无法撤销：...".
    QString message;
    QString customerId;
    qint64 sampleId = 0;  // the sample the step was about; 0 for album steps
    // An album the undo brought back or renamed back, as named now, and its name before
    // the undo (empty when it was deleted).
    QString album;
    QString albumBefore;
};

// What the box says when there is nothing to undo.
inline const QString kNothingToUndo = QStringLiteral("没有可撤销的操作");

class UndoHistory {
  public:
    // Keeps the step as the newest; a step of Kind::None is ignored.
    void Record(UndoStep step);
    void Clear() { steps_.clear(); }
    bool IsEmpty() const { return steps_.empty(); }
    int Size() const { return static_cast<int>(steps_.size()); }

    // Takes back the newest step in one transaction. The step is dropped whether it was
    // undone or refused; a failure of the engine (data::DbError) leaves it for another
    // try, with nothing changed. With no step: not undone, kNothingToUndo.
    UndoOutcome UndoLast();

  private:
    std::vector<UndoStep> steps_;
};

// Takes back one step in a transaction of its own (what UndoLast runs).
UndoOutcome Undo(const UndoStep& step);

}  // namespace workspace
