#include "core/accountcreation.h"

#include "core/accountfolder.h"
#include "core/numberform.h"
#include "core/numbertext.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kesterly::account {

using listfile::Outcome;

namespace {

// A creation folder is named "." + name + "." + a token of eight hexadecimal digits +
// this suffix, and holds the marker file before anything else is put in it.
const QString kCreationSuffix = QStringLiteral(".kesterly-new");
constexpr qsizetype kTokenLength = 8;
const QString kMarker = QStringLiteral("kesterly-new-account");
const QString kMarkerText =
    QStringLiteral("Kesterly is creating an account in this folder. Should the folder still be "
                   "here after Kesterly has ended, the next New Account in the folder above "
                   "removes it.");

QByteArray native(const QString& path) {
    return QFile::encodeName(path);
}

QString reason(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

QString inside(const QString& folder, const QString& entry) {
    return folder + QLatin1Char('/') + entry;
}

// A file of a new account, by its path inside the account folder, and its one line.
struct AccountFile {
    QString path;
    QString text;
};

QList<AccountFile> accountFiles(const QString& name, const QString& openingBalance) {
    QList<AccountFile> files;
    for (const QString& path : ownFiles())
        files.append({path, path == kName             ? name
                            : path == kOpeningBalance ? openingBalance
                                                      : QString()});
    // An opening balance typed with a point or a comma ("1.500") is read under other
    // regional settings in the form it was typed in: the account remembers that form.
    if (const auto form = numbers::rememberedUpdate({}, openingBalance, {}, userLocale()))
        files.append({numbers::kFormFile, form->texts.value(0)});
    return files;
}

// What a creation folder for the name may hold, by path inside it; a folder comes
// before what it holds.
struct OwnEntry {
    QString path;
    bool folder;
};

QList<OwnEntry> ownEntries(const QString& name) {
    QList<OwnEntry> entries{{kMarker, false}, {name, true}, {inside(name, kRemindersFolder), true}};
    for (const AccountFile& file : accountFiles(name, {}))
        entries.append({inside(name, file.path), false});
    entries.append({inside(name, numbers::kFormFile), false});
    return entries;
}

enum class Kind { Missing, File, Folder, Other };

// What is at the path itself: a link is Other, whatever it leads to.
Kind kindOf(const QString& path) {
    struct stat info {};
    if (::lstat(native(path).constData(), &info) != 0)
        return Kind::Missing;
    if (S_ISREG(info.st_mode))
        return Kind::File;
    if (S_ISDIR(info.st_mode))
        return Kind::Folder;
    return Kind::Other;
}

// Whether everything in the creation folder is something a creation puts there, each
// of its kind: a file the user put there, or a link, keeps the whole folder.
bool holdsOnlyOwnEntries(const QString& folder, const QList<OwnEntry>& own) {
    QStringList folders{QString()};
    for (const OwnEntry& entry : own) {
        if (entry.folder)
            folders << entry.path;
    }
    for (const QString& sub : folders) {
        const QString path = sub.isEmpty() ? folder : inside(folder, sub);
        if (kindOf(path) != Kind::Folder)
            continue;
        const QStringList names = QDir(path).entryList(QDir::AllEntries | QDir::Hidden |
                                                       QDir::System | QDir::NoDotAndDotDot);
        for (const QString& name : names) {
            const QString relative = sub.isEmpty() ? name : inside(sub, name);
            const auto known = std::find_if(own.cbegin(), own.cend(), [&](const OwnEntry& entry) {
                return entry.path == relative;
            });
            if (known == own.cend() ||
                kindOf(inside(folder, relative)) != (known->folder ? Kind::Folder : Kind::File))
                return false;
        }
    }
    return true;
}

// The files first, then the folders that held them, the marker last, then the creation
// folder itself; anything not named here stays, and so does every folder holding it.
void removeOwnEntries(const QString& folder, const QList<OwnEntry>& own) {
    for (auto entry = own.crbegin(); entry != own.crend(); ++entry) {
        const QByteArray path = native(inside(folder, entry->path));
        if (entry->folder)
            ::rmdir(path.constData());
        else
            ::unlink(path.constData());
    }
    ::rmdir(native(folder).constData());
}

// The account name as it goes into its creation folder's name: cut short when the whole
// would be longer than a file system allows (255 bytes).
QString creationNamePart(const QString& name) {
    const qsizetype room = 255 - (2 + kTokenLength + kCreationSuffix.size());
    QString part = name;
    while (native(part).size() > room) {
        part.chop(1);
        if (!part.isEmpty() && part.back().isHighSurrogate())
            part.chop(1);
    }
    return part;
}

// The account folder a creation folder holds: the one folder beside the marker whose name
// begins with the name part of the creation folder's name (all of the name, unless it was
// cut short). The name part when there is none, or more than one entry beside the marker.
QString accountIn(const QString& folder, const QString& namePart) {
    QStringList names = QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System |
                                               QDir::NoDotAndDotDot);
    names.removeOne(kMarker);
    if (names.size() == 1 && names[0].startsWith(namePart) &&
        kindOf(inside(folder, names[0])) == Kind::Folder && nameRefusal(names[0]).isEmpty())
        return names[0];
    return namePart;
}

// The account name in a creation folder's name (".Household.1f2e3d4c.kesterly-new"), or
// "" when the name is not of that form.
QString creationName(const QString& entry) {
    const qsizetype tail = 1 + kTokenLength + kCreationSuffix.size();
    if (!entry.startsWith(QLatin1Char('.')) || !entry.endsWith(kCreationSuffix) ||
        entry.size() <= 1 + tail || entry[entry.size() - tail] != QLatin1Char('.'))
        return {};
    const QString token = entry.sliced(entry.size() - tail + 1, kTokenLength);
    const bool hex = std::all_of(token.cbegin(), token.cend(), [](QChar c) {
        return (c >= QLatin1Char('0') && c <= QLatin1Char('9')) ||
               (c >= QLatin1Char('a') && c <= QLatin1Char('f'));
    });
    const QString name = entry.sliced(1, entry.size() - 1 - tail);
    return hex && nameRefusal(name).isEmpty() ? name : QString();
}

// Opens a folder (not a link to one) to lock it; -1 when it cannot be opened.
int openFolder(const QString& path) {
    return ::open(native(path).constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
}

// Removes the creation folders that interrupted creations left in the root. A folder is
// taken only when it is a real folder (not a link) named like one, is not locked (no
// running copy is filling it), and either holds the marker file and nothing but the
// account's own files, or is empty: a creation cut off between making its folder and its
// marker, or between removing its marker and its folder, leaves it empty, and removing an
// empty folder loses nothing. Anything else stays as it is.
void removeInterruptedCreations(const QString& root) {
    const QStringList entries =
        QDir(root).entryList(QDir::Dirs | QDir::Hidden | QDir::NoSymLinks | QDir::NoDotAndDotDot);
    for (const QString& entry : entries) {
        const QString name = creationName(entry);
        if (name.isEmpty())
            continue;
        const QString folder = root + entry;
        const int locked = openFolder(folder);
        if (locked < 0)
            continue;
        // A creation holds this lock from before its marker to its end.
        if (::flock(locked, LOCK_EX | LOCK_NB) == 0 && ::rmdir(native(folder).constData()) != 0 &&
            kindOf(inside(folder, kMarker)) == Kind::File) {
            const QList<OwnEntry> own = ownEntries(accountIn(folder, name));
            if (holdsOnlyOwnEntries(folder, own))
                removeOwnEntries(folder, own);
        }
        ::close(locked);
    }
}

// Makes the folder and locks it; 0, EEXIST when the name is taken (or a clean-up removed
// the new folder before it was locked), or another error number. The open and locked
// folder goes into `lock`.
int claimFolder(const QString& path, int* lock) {
    const QByteArray bytes = native(path);
    if (::mkdir(bytes.constData(), 0700) != 0)
        return errno;
    const int fd = openFolder(path);
    if (fd < 0)
        return errno == ENOENT ? EEXIST : errno;
    int error = 0;
    while (::flock(fd, LOCK_EX) != 0) {
        if (errno != EINTR) {
            error = errno;
            break;
        }
    }
    // A folder removed while this one waited for the lock has no links left.
    struct stat info {};
    if (!error && ::fstat(fd, &info) != 0)
        error = errno;
    if (!error && info.st_nlink == 0)
        error = EEXIST;
    if (error) {
        ::close(fd);
        if (error != EEXIST)
            ::rmdir(bytes.constData());
        return error;
    }
    *lock = fd;
    return 0;
}

// Moves a folder to a name that must not exist. Where the file system does not know
// RENAME_NOREPLACE, a check and a plain rename take its place: a plain rename replaces
// only an empty folder, so what could be lost is an empty folder made in the moment
// between the two.
int moveToFreeName(const QString& from, const QString& to) {
    const QByteArray source = native(from);
    const QByteArray target = native(to);
    const int flags = RENAME_NOREPLACE;
    if (::renameat2(AT_FDCWD, source.constData(), AT_FDCWD, target.constData(), flags) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS)
        return errno;
    struct stat there {};
    if (::lstat(target.constData(), &there) == 0)
        return EEXIST;
    return ::rename(source.constData(), target.constData()) == 0 ? 0 : errno;
}

} // namespace

QString nameRefusal(const QString& name) {
    if (name.isEmpty())
        return QStringLiteral("Please type a name for the account.");
    if (name == QLatin1String(".") || name == QLatin1String(".."))
        return QStringLiteral("\"%1\" cannot be used as an account name.").arg(name);
    // A folder whose name begins with a point is hidden, and Open Account lists no
    // hidden folders: the account could never be opened.
    if (name.startsWith(QLatin1Char('.')))
        return QStringLiteral("An account name cannot begin with \".\": the account folder "
                              "would be hidden, and Open Account could not show it.");
    for (const QChar c : name) {
        if (c == QLatin1Char('/') || c == QLatin1Char('\\'))
            return QStringLiteral("An account name cannot contain \"%1\": the account folder "
                                  "would be created somewhere else.")
                .arg(c);
        if (c.category() == QChar::Other_Control)
            return QStringLiteral("An account name cannot contain control characters.");
    }
    return {};
}

QString newAccountFolder(const QString& root, const QString& name) {
    return root + name + QDir::separator();
}

QString newRemindersFolder(const QString& accountFolder) {
    return accountFolder + kRemindersFolder + QDir::separator();
}

AccountCreation::AccountCreation(QString root, QString name)
    : root_(std::move(root)), name_(std::move(name)) {}

AccountCreation::~AccountCreation() {
    removeCreationFolder();
}

Outcome AccountCreation::create(const QString& openingBalance) {
    if (Outcome built = build(openingBalance); !built)
        return built;
    return putInPlace();
}

Outcome AccountCreation::fail(const QString& message) {
    removeCreationFolder();
    return Outcome::failure(message + QStringLiteral(" The account folder \"%1\" was not created.")
                                          .arg(newAccountFolder(root_, name_)));
}

void AccountCreation::removeCreationFolder() {
    if (!creationFolder_.isEmpty()) {
        const QList<OwnEntry> own = ownEntries(name_);
        if (holdsOnlyOwnEntries(creationFolder_, own))
            removeOwnEntries(creationFolder_, own);
        creationFolder_.clear();
    }
    if (lock_ >= 0)
        ::close(lock_);
    lock_ = -1;
}

Outcome AccountCreation::build(const QString& openingBalance) {
    Q_ASSERT(creationFolder_.isEmpty());
    nameTaken_ = false;
    removeInterruptedCreations(root_);

    const QString folder = newAccountFolder(root_, name_);
    if (const Kind there = kindOf(root_ + name_); there != Kind::Missing) {
        nameTaken_ = true;
        if (there == Kind::Folder || QFileInfo(folder).isDir())
            return Outcome::failure(
                QStringLiteral("An account named \"%1\" already exists (%2). Nothing was changed.")
                    .arg(name_, folder));
        return Outcome::failure(
            QStringLiteral("Could not create the folder \"%1\": there is a file of that name "
                           "already. Nothing was changed.")
                .arg(folder));
    }

    if (Outcome made = makeCreationFolder(); !made)
        return made;
    const QString account = inside(creationFolder_, name_);
    for (const QString& path : {account, inside(account, kRemindersFolder)}) {
        if (::mkdir(native(path).constData(), 0777) != 0)
            return fail(
                QStringLiteral("Could not create the folder \"%1\": %2.").arg(path, reason(errno)));
    }
    // Each file is written, flushed to the disk and its folder's names with it.
    for (const AccountFile& file : accountFiles(name_, openingBalance)) {
        if (Outcome written = listfile::appendLine(inside(account, file.path), file.text); !written)
            return fail(written.message());
    }
    return Outcome::success();
}

Outcome AccountCreation::makeCreationFolder() {
    int error = EEXIST;
    // The token keeps two copies creating the same name apart, and a folder in the way
    // (one another copy is filling, or one that only looks like a creation folder) out of
    // the way. The lock keeps another copy's clean-up away while this one fills the
    // folder; it is taken before the marker is made, so a clean-up never sees the marker
    // of a creation that is still running.
    for (int attempt = 0; attempt < 16 && error == EEXIST; ++attempt) {
        const QString token = QString::number(QRandomGenerator::global()->generate(), 16)
                                  .rightJustified(kTokenLength, QLatin1Char('0'));
        const QString path = root_ + QLatin1Char('.') + creationNamePart(name_) + QLatin1Char('.') +
                             token + kCreationSuffix;
        error = claimFolder(path, &lock_);
        if (!error)
            creationFolder_ = path;
    }
    if (error)
        return fail(
            QStringLiteral("Could not create a folder in \"%1\": %2.").arg(root_, reason(error)));
    // The marker, written and flushed with the folder's names, is on the disk before
    // anything else is made in the folder, so a creation folder that holds more is always
    // recognised.
    if (Outcome marked = listfile::appendLine(inside(creationFolder_, kMarker), kMarkerText);
        !marked)
        return fail(marked.message());
    return Outcome::success();
}

Outcome AccountCreation::putInPlace() {
    Q_ASSERT(!creationFolder_.isEmpty());
    const QString folder = newAccountFolder(root_, name_);
    // The account folder's own name in the creation folder is on the disk before it moves.
    if (Outcome flushed = listfile::flushFolder(creationFolder_); !flushed)
        return fail(flushed.message());
    const int error = moveToFreeName(inside(creationFolder_, name_), root_ + name_);
    if (error == EEXIST || error == ENOTEMPTY || error == ENOTDIR || error == EISDIR) {
        nameTaken_ = true;
        removeCreationFolder();
        return Outcome::failure(
            QStringLiteral("An account named \"%1\" already exists (%2): it appeared while this "
                           "one was being made. Nothing was changed.")
                .arg(name_, folder));
    }
    if (error)
        return fail(QStringLiteral("Could not put the new account in its place \"%1\": %2.")
                        .arg(folder, reason(error)));
    // The account is whole under its name; the creation folder holds only the marker.
    const Outcome flushed = listfile::flushFolder(root_);
    removeCreationFolder();
    if (!flushed)
        return Outcome::failure(
            flushed.message() +
            QStringLiteral(" The account folder \"%1\" was created with all its files, but the "
                           "system could not confirm that it is safely on the disk.")
                .arg(folder));
    return Outcome::success();
}

} // namespace kesterly::account
