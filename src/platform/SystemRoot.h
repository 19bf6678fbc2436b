#pragma once

#include <QString>

// Where the Mac's absolute paths live. On a real Mac the root is "/" and every
// path is used as written; the simulated Mac of the demo and the tests is a
// folder, and every absolute path the app touches (plugin folders, tools,
// install target) is looked up inside it.
class SystemRoot
{
public:
    SystemRoot() = default;
    explicit SystemRoot(const QString& root);

    bool isDefault() const { return m_root.isEmpty(); }
    // The root folder, "/" by default, without a trailing slash otherwise.
    QString path() const;
    // `macPath` (absolute, as written on a Mac) inside this root.
    QString resolve(const QString& macPath) const;

private:
    QString m_root; // empty for "/"
};
