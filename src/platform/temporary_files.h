#pragma once

#include <QByteArray>
#include <QString>

// The temporary files a write makes beside its target before it gives it the
// target's name. A write killed half-way (by the user, a crash, a power cut)
// must leave nothing but the old file behind: on Linux the temporary has no
// name at all until it is whole, where the file system allows; elsewhere it
// has a name of our own, tied to the target's, that the next write of that
// target removes before it starts.
namespace zt::temporary {

// A fresh name of our own beside `target`: "<target>.~<random>.tmp".
QString nameFor(const QString& target);
// Whether `fileName` is one nameFor() gives for a target named `targetName`
// (both names without their folder).
bool isNameFor(const QString& targetName, const QString& fileName);
// Removes the temporaries of our naming that earlier writes of `target` left
// when they were killed. One that a running write still holds is left to it.
void removeLeftovers(const QString& target);

// For tests: whether a write may use a temporary without a name, so that the
// named one of a file system without them can be tried on one that has them.
void allowUnnamed(bool allowed);

#ifndef _WIN32
// A file without a name in `folder` (its path in the file system's bytes),
// open for writing, or -1 where the file system or the system has none.
// `mode` as open() takes it, the umask applied.
int openUnnamed(const QByteArray& folder, int mode);
// Gives the file of openUnnamed() the free name `to`; false with errno set
// (EEXIST: the name is taken).
bool linkUnnamed(int fd, const QByteArray& to);
// A new file of our naming beside `target`, open for writing and held so that
// removeLeftovers() of another write passes it by; -1 with errno set.
// `name` receives its path; `mode` as for openUnnamed().
int createNamed(const QString& target, QByteArray& name, int mode);
#endif

namespace detail {
// Removes the file at `path` (in the file system's bytes) unless a running
// write holds it; quietly, since a leftover is only untidy.
void removeIfAbandoned(const QByteArray& path);
}  // namespace detail

}  // namespace zt::temporary
