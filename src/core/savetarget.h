#pragma once

#include "core/listtext.h"
#include "core/plainfile.h"
#include "core/saveunit.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <sys/stat.h>

// One file of a save unit (saveunit.cpp), from its check to its place: a line to add at
// its end, or new content to take its place. Each step works on the descriptor the file
// was checked with, or on the name in the unit's folder looked at again just before; it
// never cuts, overwrites or replaces what another program wrote since the check. The order
// of the steps, the journal and the undoing are the unit's.
namespace kesterly::listfile {

// How often a line follows a file that another program keeps replacing before the unit
// gives up: each time the line goes after what the file holds then.
inline constexpr int kFollowings = 64;

Outcome changedFailure(const QString& path);
// What a line of this many bytes takes in the journal.
qint64 journalledSize(qint64 bytes);

class SaveTarget;

// What a file of a unit needs of the unit: its folder, opened once; whether it keeps a
// journal; how much of the journal the other lines take; and the journal written again.
struct UnitSide {
    int folder = -1;
    bool journaled = false;
    std::function<qint64(const SaveTarget&)> journalledBesides;
    std::function<int()> rewriteJournal;
};

class SaveTarget {
public:
    static SaveTarget line(const LineAppend& append);
    static SaveTarget replacement(const FileLines& file);

    // Opens the file once and checks it on that descriptor: a plain file of the user's,
    // and still what the caller read (for a line, one holding as many values will do).
    Outcome check(const UnitSide& side);
    // Works out the line's bytes and where they go; a line the journal cannot carry, or
    // that the file's characters cannot hold, turns the target into a replacement.
    Outcome prepareLine(const UnitSide& side);
    // Writes the new content beside the file, whole and flushed; the reason when not.
    QString writeFresh(const UnitSide& side);
    // Makes sure the line ends the file the name leads to, writing it (not yet flushed)
    // through the checked descriptor; a file another program replaced meanwhile is
    // followed. `wrote` is set when anything was written.
    Outcome placeLine(const UnitSide& side, bool* wrote);
    // Exchanges the new file with the old one while the name still leads to the file read.
    Outcome putInPlace(const UnitSide& side);
    // A file another program put in the new one's place: kept when it holds as many
    // values (made from the new one), else the unit is to be undone.
    bool followPut(const UnitSide& side);

    bool add = false;
    QString path;
    QString name;
    std::optional<FileStamp> expected;
    // A line to add: its text, the file's characters and values as the caller read them,
    // and once prepared the length the line goes after and its bytes.
    QString text;
    Charset charset = Charset::Ascii;
    qint64 values = -1;
    qint64 earlier = 0;
    QByteArray bytes;
    bool written = false;
    bool unsynced = false;
    // A file to replace: its texts, and the new file written beside it.
    QStringList texts;
    qint64 freshInode = 0;
    Charset freshCharset = Charset::Ascii;
    bool applied = false;   // the new file is in the name's place
    bool exchanged = false; // the old file is under the hidden name
    bool deferred = false;  // put in place after the point of no return
    // A file another program put in the new file's place, holding as many values.
    qint64 adoptedInode = 0;
    // The file as it was checked: held open for the unit's life.
    plainfile::Descriptor file;
    bool existed = false;
    struct stat checked {};
    bool changedOutside = false;

private:
    SaveTarget(const QString& filePath, const std::optional<FileStamp>& stamp);
    std::optional<QByteArray> lineBytes() const;
    Outcome follow(const UnitSide& side);
};

} // namespace kesterly::listfile
