#pragma once
// File-name masks matched the way the platform's file search matches them.
#include <QString>

// True when name matches mask: "*" stands for any run of characters, "?" for exactly one,
// letters compare regardless of case, and a mask ending in ".*" also matches the names that
// match it without that ending (so "*.*" matches every name, one without a dot included).
bool FileMaskMatches(const QString &name, const QString &mask);
