#pragma once

#include "gif/Result.h"

#include <QString>

namespace kinetta
{

// A folder that only the user can enter, for files other users must not read
// or replace (the clipboard cache, spilled frames, dragged-out files). Never a
// shared world-writable folder such as /tmp.
class PrivateFolder final
{
public:
    // The folder, or why no safe folder could be had.
    using Result = ::kinetta::Result<QString, QString>;

    PrivateFolder() = delete;

    // $XDG_RUNTIME_DIR/kinetta when the runtime folder is usable, else the
    // user's cache folder + /kinetta; created when missing.
    [[nodiscard]] static Result root();
    // $XDG_RUNTIME_DIR/kinetta, created when missing; an error when the
    // runtime folder is unset, relative or not a private folder of ours.
    [[nodiscard]] static Result runtimeRoot();
    // cacheHome() + /kinetta, created when missing.
    [[nodiscard]] static Result cacheRoot();
    // $XDG_CACHE_HOME when it is an absolute path, else ~/.cache: the XDG
    // base-directory rules say a relative path is to be ignored.
    [[nodiscard]] static QString cacheHome();
    // root()/name, created when missing.
    [[nodiscard]] static Result subfolder(const QString& name);
    // Makes path a folder of the user's own with mode 0700, creating it when
    // missing (its parent must exist) and tightening its mode when it is ours.
    // Refuses a symbolic link in its place (never followed), something that
    // is not a folder, and a folder that belongs to another user.
    [[nodiscard]] static Result ensure(const QString& path);
};

} // namespace kinetta
