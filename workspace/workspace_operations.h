#pragma once
// What the workspace changes in the database, as plain functions: samples deleted, picks
// made and removed, notes stored, albums added, renamed and deleted. Each write is one short
// transaction that holds the write lock from its first statement, so another station can
// neither slip in between the check and the change nor be held up for long. The workspace
// window calls these and shows what they return; the tests call them without a window.
//
// The customer id is text, placed into SQL unquoted as the window holds it; album names and
// notes pass through SqlQuote. Failures of the engine are thrown as data::DbError, and
// nothing of the operation stays written then.
//
// Given an UndoStep, an operation that changed something fills it, inside its transaction,
// with what UndoHistory needs to take the change back (undo_history.h); otherwise it leaves
// the step as it was.

#include <QString>

namespace workspace {

struct UndoStep;

// The note box's prompt: it stands in the box while a sample has no note and is never
// stored as one.
inline const QString kNotePrompt = QStringLiteral("请在此输入制作要求或备注信息");

// ---- samples ------------------------------------------------------------------------------

// Deletes the sample and every pick of it; the photo file stays where it is. False when the
// sample was gone already (its picks, if any were left, are removed all the same).
bool DeleteSample(const QString& customerId, qint64 sampleId, UndoStep* undo = nullptr);

enum class PickResult {
    Picked,
    SampleGone,  // the sample is no longer the customer's: nothing stored
    AlbumGone,   // the customer has no album of that name (any more): nothing stored
};
// Picks the sample into the album: one more pick row, also when the sample is in the album
// already (asking about a repeat pick is the caller's: IsPicked of workspace_queries.h).
PickResult PickSample(const QString& customerId, qint64 sampleId, const QString& album,
                      UndoStep* undo = nullptr);

// Removes one pick of the sample from the album (of several picks of it there, any one).
// False when there was none to remove.
bool RemovePick(const QString& customerId, qint64 sampleId, const QString& album,
                UndoStep* undo = nullptr);

// Stores the note of a sample as typed; empty text or the prompt clears it. False when the
// customer has no such sample (nothing stored).
bool StoreNote(const QString& customerId, qint64 sampleId, const QString& text,
               UndoStep* undo = nullptr);

// ---- albums -------------------------------------------------------------------------------

enum class AlbumChange {
    Done,
    NameExists,  // the new name is "全部" or that of an album of the customer
    Reserved,    // "全部" itself can be neither renamed nor deleted
    Gone,        // the customer has no album of the old name (any more)
};

// Adds an album of that name (trimmed by the caller) at the end of the customer's albums.
AlbumChange AddAlbum(const QString& customerId, const QString& name, UndoStep* undo = nullptr);

// Renames the album and the picks in it. Every album of the old name is renamed (a
// customer may have two of one name from the default list). Gone leaves nothing changed.
AlbumChange RenameAlbum(const QString& customerId, const QString& oldName, const QString& newName,
                        UndoStep* undo = nullptr);

// Deletes the album with every pick in it, repeated picks included; albums of the same name
// of other customers stay. Gone when there was no such album: picks of that name, if any
// were left, are removed all the same.
AlbumChange DeleteAlbum(const QString& customerId, const QString& name, UndoStep* undo = nullptr);

// The picks the album grid shows for an album: the album's, or with "全部" all the
// customer's. Picks of samples that are gone do not count.
int AlbumPickCount(const QString& customerId, const QString& album);

// ---- the widescreen correction ------------------------------------------------------------

// Stores whether the large view corrects a stretched widescreen picture.
void StoreWidescreenCorrection(bool on);

}  // namespace workspace
