#pragma once

#include <QString>
#include <QVector>

/// The help box's text addressed the way the About window counts: from 0 at the first
/// character, with every line break counting as two positions (carriage return and line feed).
///
/// The box itself (a QTextDocument) counts a line break as one; this class converts between
/// the two and runs the range searches of the Find dialog in line-break-as-two positions, so
/// lengths, selections and search results can be mixed freely.
class HelpText {
public:
    /// How a search compares and which way it runs.
    struct SearchOptions {
        bool matchCase = true;
        bool wholeWord = false;
        bool forward = true;
    };

    /// Lines separated by '\n', as QPlainTextEdit::toPlainText() gives them.
    explicit HelpText(const QString& plainText);

    /// Reads the help text from the program's resources (":/help.txt"), one trailing line
    /// break dropped so that the box holds no empty last line.
    static QString loadResource();

    /// The whole text's length, every line break counted as two.
    int length() const { return text_.size(); }
    /// The text with "\r\n" line breaks: position i here is position i everywhere in this class.
    const QString& text() const { return text_; }
    /// The text as the help box holds it, lines separated by '\n'.
    QString documentText() const;

    /// A document position (line break as one) converted to a line-break-as-two position.
    int fromDocument(int documentPosition) const;
    /// A line-break-as-two position converted to a document position; a position between the
    /// carriage return and the line feed counts as the end of its line.
    int toDocument(int position) const;

    /// The first occurrence of what that lies wholly within [start, start + length) when
    /// searching forward, or the last one there when searching backward; its position, or -1
    /// when there is none. An empty search text is never found. A whole word is one not joined
    /// to a letter, digit or underscore on either side.
    int find(const QString& what, int start, int length, SearchOptions options) const;

private:
    bool isWholeWordAt(int position, int matchLength) const;
    bool isWordCharacterAt(int position) const;
    int lineOfDocumentPosition(int documentPosition) const;

    QString text_;
    /// Where each line starts, in document positions (first line at 0).
    QVector<int> lineStarts_;
};
