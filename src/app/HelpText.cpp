#include "HelpText.h"

#include <QFile>

#include <algorithm>
#include <climits>

HelpText::HelpText(const QString& plainText)
{
    lineStarts_.append(0);
    for (int i = 0; i < plainText.size(); ++i) {
        if (plainText.at(i) == QLatin1Char('\n'))
            lineStarts_.append(i + 1);
    }
    text_ = plainText;
    text_.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
}

QString HelpText::loadResource()
{
    QFile file(QStringLiteral(":/help.txt"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QString text = QString::fromUtf8(file.readAll());
    text.remove(QLatin1Char('\r'));
    if (text.endsWith(QLatin1Char('\n')))
        text.chop(1);
    return text;
}

QString HelpText::documentText() const
{
    QString text = text_;
    return text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

int HelpText::lineOfDocumentPosition(int documentPosition) const
{
    // Line i starts at lineStarts_[i]; the line holding a position is the last one starting
    // at or before it.
    const auto after = std::upper_bound(lineStarts_.begin(), lineStarts_.end(), documentPosition);
    return static_cast<int>(after - lineStarts_.begin()) - 1;
}

int HelpText::fromDocument(int documentPosition) const
{
    if (documentPosition <= 0)
        return documentPosition;
    // Every line break before the position adds one (its carriage return).
    return documentPosition + lineOfDocumentPosition(documentPosition);
}

int HelpText::toDocument(int position) const
{
    if (position <= 0)
        return position;
    // Line i starts at lineStarts_[i] + i when line breaks count as two.
    int line = 0;
    while (line + 1 < lineStarts_.size() && lineStarts_[line + 1] + line + 1 <= position)
        ++line;
    const int lineEnd = line + 1 < lineStarts_.size() ? lineStarts_[line + 1] - 1 : INT_MAX;
    return std::min(position - line, lineEnd);
}

bool HelpText::isWordCharacterAt(int position) const
{
    if (position < 0 || position >= text_.size())
        return false;
    const QChar c = text_.at(position);
    return c.isLetterOrNumber() || c == QLatin1Char('_');
}

bool HelpText::isWholeWordAt(int position, int matchLength) const
{
    return !isWordCharacterAt(position - 1) && !isWordCharacterAt(position + matchLength);
}

int HelpText::find(const QString& what, int start, int length, SearchOptions options) const
{
    const int first = std::max(start, 0);
    const int end = std::min(start + length, static_cast<int>(text_.size()));
    const int n = static_cast<int>(what.size());
    if (n == 0 || end - first < n)
        return -1;
    const Qt::CaseSensitivity cs = options.matchCase ? Qt::CaseSensitive : Qt::CaseInsensitive;

    if (options.forward) {
        for (int at = text_.indexOf(what, first, cs); at >= 0 && at + n <= end;
             at = text_.indexOf(what, at + 1, cs)) {
            if (!options.wholeWord || isWholeWordAt(at, n))
                return at;
        }
        return -1;
    }
    for (int at = text_.lastIndexOf(what, end - n, cs); at >= first;
         at = at > 0 ? text_.lastIndexOf(what, at - 1, cs) : -1) {
        if (!options.wholeWord || isWholeWordAt(at, n))
            return at;
    }
    return -1;
}
