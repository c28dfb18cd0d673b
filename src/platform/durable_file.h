#pragma once

#include <QByteArray>
#include <QString>

// Putting a file where a power cut, a failure or a second copy of the program
// starting at the same moment can never leave half of it, nor replace a file
// already there. One interface; each system places files its own way.
namespace zt::durable {

enum class Placed {
    Done,
    Taken,  // the name was no longer free: another start was first
    Failed,
};

// Puts `bytes` in a new file `target`, which where files have modes only its
// owner may read (it holds a personal address book): written under a
// temporary name beside it, flushed to the disk, and given the target's name only whole and only if
// that name is still free (a zt::ReplacementFile of Kind::New). On Failed, `error` holds what the
// user is told: the file and why.
Placed placeNewFile(const QString& target, const QByteArray& bytes, QString& error);

// Moves the file `from` to the free name `to`, where the two may lie on
// different file systems. At no moment is the file in neither place. On
// Failed, `error` holds the system's text.
Placed moveFile(const QString& from, const QString& to, QString& error);

}  // namespace zt::durable
