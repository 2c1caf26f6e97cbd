#pragma once

#include <QStringList>

namespace brelix {

// The four documents opened or saved last, newest first, kept in the user's settings.
class CRecentFiles {
public:
    static constexpr int Size = 4;
    QStringList List() const;
    void Add(const QString& path);
    void Remove(const QString& path);
};

}  // namespace brelix
