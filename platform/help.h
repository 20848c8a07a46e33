#pragma once

#include <QList>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>

class QListWidget;
class QTextBrowser;

namespace kv {

// Help files are plain UTF-8 text:
//   - lines before the first heading are notes for whoever edits the file
//     and are not shown;
//   - "# Title" starts a topic, listed in the topics window in file order;
//     the lines up to the next "# " heading are its text;
//   - "## Title" is a subheading inside a topic;
//   - blank lines separate paragraphs, the lines of a paragraph are joined;
//   - a line starting with "- " is an item of a list.
struct HelpTopic {
    QString title;
    QStringList lines;
};

QList<HelpTopic> parseHelpFile(const QString& contents);

// A topic's text as rich text for the topics window.
QString helpTopicHtml(const HelpTopic& topic);

// The help topics window: the contents on the left, the chosen topic's text
// on the right. Not modal; the program goes on beside it.
class HelpWindow : public QWidget {
    Q_OBJECT
public:
    HelpWindow();

    void setTopics(const QString& fileName, const QList<HelpTopic>& topics);
    void selectTopic(int index);

private:
    QList<HelpTopic> topics_;
    QListWidget* Onderwerpen;
    QTextBrowser* Tekst;
};

// The program's help: a help file is named once, then commands are sent to it.
class HelpSystem {
public:
    enum Command : unsigned {
        HelpQuit = 2,    // close the topics window
        HelpFinder = 11, // show the topics window with its contents list
    };

    HelpSystem();
    ~HelpSystem();
    HelpSystem(const HelpSystem&) = delete;
    HelpSystem& operator=(const HelpSystem&) = delete;

    // The program's one help system; its window goes when the application does.
    static HelpSystem& instance();

    void setHelpFile(const QString& name) { helpFile_ = name; }
    QString helpFile() const { return helpFile_; }

    // Carries out a command; data is the command's argument (unused by the
    // ones here, which take 0). False when the command is unknown or the help
    // file cannot be found, which is then told in a message.
    bool command(unsigned command, quintptr data);
    bool showTopics() { return command(HelpFinder, 0); }

    // A name with a directory is taken as it is. A bare name is looked for in
    // the current directory, then the program's directory, then the installed
    // data directory. Empty when not found.
    QString resolve(const QString& name) const;
    QStringList searchDirectories() const;

    // The installed data directory, fixed at build time; tests point it elsewhere.
    void setDataDirectory(const QString& directory) { dataDirectory_ = directory; }
    QString dataDirectory() const { return dataDirectory_; }

    HelpWindow* window() const { return window_; }

private:
    QString helpFile_;
    QString dataDirectory_;
    QPointer<HelpWindow> window_;
};

} // namespace kv
