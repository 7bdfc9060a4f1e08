#include "base/FileMask.h"

namespace {

bool SameLetter(QChar a, QChar b)
{
    return a == b || a.toCaseFolded() == b.toCaseFolded();
}

// Wildcard match with one back-tracking point: the last "*" seen.
bool WildcardMatches(const QString &name, const QString &mask)
{
    qsizetype n = 0, m = 0;
    qsizetype starMask = -1, starName = 0;
    while (n < name.size()) {
        if (m < mask.size() && mask[m] == u'*') {
            starMask = m++;
            starName = n;
        } else if (m < mask.size() && (mask[m] == u'?' || SameLetter(mask[m], name[n]))) {
            ++m;
            ++n;
        } else if (starMask >= 0) {
            m = starMask + 1;
            n = ++starName;
        } else {
            return false;
        }
    }
    while (m < mask.size() && mask[m] == u'*')
        ++m;
    return m == mask.size();
}

}  // namespace

bool FileMaskMatches(const QString &name, const QString &mask)
{
    if (WildcardMatches(name, mask))
        return true;
    return mask.endsWith(QLatin1String(".*")) && WildcardMatches(name, mask.chopped(2));
}
