#include "help.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QListWidget>
#include <QSplitter>
#include <QTextBrowser>

#include "messagebox.h"

#ifndef KV_HELP_DATADIR
#define KV_HELP_DATADIR "/usr/local/share/kwisvinder"
#endif

namespace kv {

QList<HelpTopic> parseHelpFile(const QString& contents)
{
    QList<HelpTopic> topics;
    const QStringList lines = contents.split(QLatin1Char('\n'));
    for (QString line : lines) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        if (line.startsWith(QLatin1String("# "))) {
            topics.append({line.mid(2).trimmed(), {}});
        } else if (!topics.isEmpty()) {
            topics.last().lines.append(line);
        }
    }
    return topics;
}

QString helpTopicHtml(const HelpTopic& topic)
{
    QString html = QStringLiteral("<h2>%1</h2>").arg(topic.title.toHtmlEscaped());
    QString paragraph;
    bool inList = false;
    const auto endParagraph = [&] {
        if (!paragraph.isEmpty())
            html += QStringLiteral("<p>%1</p>").arg(paragraph.toHtmlEscaped());
        paragraph.clear();
    };
    const auto endList = [&] {
        if (inList)
            html += QStringLiteral("</ul>");
        inList = false;
    };
    for (const QString& raw : topic.lines) {
        const QString line = raw.trimmed();
        if (line.isEmpty()) {
            endParagraph();
            endList();
        } else if (raw.startsWith(QLatin1String("## "))) {
            endParagraph();
            endList();
            html += QStringLiteral("<h3>%1</h3>").arg(raw.mid(3).trimmed().toHtmlEscaped());
        } else if (raw.startsWith(QLatin1String("- "))) {
            endParagraph();
            if (!inList)
                html += QStringLiteral("<ul>");
            inList = true;
            html += QStringLiteral("<li>%1</li>").arg(line.mid(2).toHtmlEscaped());
        } else if (inList && (raw.startsWith(QLatin1Char(' ')) || raw.startsWith(QLatin1Char('\t')))) {
            // An indented line goes on with the list item above it.
            html.chop(int(sizeof("</li>") - 1));
            html += QLatin1Char(' ') + line.toHtmlEscaped() + QStringLiteral("</li>");
        } else {
            endList();
            if (!paragraph.isEmpty())
                paragraph += QLatin1Char(' ');
            paragraph += line;
        }
    }
    endParagraph();
    endList();
    return html;
}

HelpWindow::HelpWindow()
{
    setObjectName(QStringLiteral("HelpVenster"));
    setWindowTitle(QStringLiteral("Help-onderwerpen"));
    setAttribute(Qt::WA_QuitOnClose, false);

    auto* splitter = new QSplitter(this);
    splitter->setObjectName(QStringLiteral("HelpSplitter"));
    Onderwerpen = new QListWidget(splitter);
    Onderwerpen->setObjectName(QStringLiteral("Onderwerpen"));
    Tekst = new QTextBrowser(splitter);
    Tekst->setObjectName(QStringLiteral("Tekst"));
    Tekst->setOpenLinks(false);
    splitter->setStretchFactor(0, 0);
    splitter->setStretchFactor(1, 1);
    Onderwerpen->setMinimumWidth(230);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(splitter);
    resize(640, 440);

    connect(Onderwerpen, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row >= 0 && row < topics_.size())
            Tekst->setHtml(helpTopicHtml(topics_.at(row)));
        else
            Tekst->clear();
    });
}

void HelpWindow::setTopics(const QString& fileName, const QList<HelpTopic>& topics)
{
    topics_ = topics;
    setWindowTitle(QStringLiteral("Help-onderwerpen - %1").arg(fileName));
    Onderwerpen->clear();
    for (const HelpTopic& topic : topics_)
        Onderwerpen->addItem(topic.title);
    selectTopic(0);
}

void HelpWindow::selectTopic(int index)
{
    Onderwerpen->setCurrentRow(index);
}

HelpSystem::HelpSystem()
    : dataDirectory_(QString::fromUtf8(KV_HELP_DATADIR))
{
}

HelpSystem::~HelpSystem()
{
    delete window_.data();
}

HelpSystem& HelpSystem::instance()
{
    // Never destroyed: its window must go while the application still exists,
    // which the post routine sees to.
    static HelpSystem* system = [] {
        auto* s = new HelpSystem;
        qAddPostRoutine([] { delete instance().window_.data(); });
        return s;
    }();
    return *system;
}

QStringList HelpSystem::searchDirectories() const
{
    QStringList directories{QDir::currentPath()};
    if (QCoreApplication::instance())
        directories.append(QCoreApplication::applicationDirPath());
    if (!dataDirectory_.isEmpty())
        directories.append(dataDirectory_);
    return directories;
}

QString HelpSystem::resolve(const QString& name) const
{
    if (name.isEmpty())
        return {};
    if (name.contains(QLatin1Char('/')) || name.contains(QLatin1Char('\\'))) {
        const QFileInfo given(name);
        return given.isFile() ? given.absoluteFilePath() : QString();
    }
    for (const QString& directory : searchDirectories()) {
        const QFileInfo candidate(QDir(directory), name);
        if (candidate.isFile())
            return candidate.absoluteFilePath();
    }
    return {};
}

bool HelpSystem::command(unsigned command, quintptr)
{
    switch (command) {
    case HelpQuit:
        if (window_)
            window_->close();
        return true;
    case HelpFinder: {
        QFile file(resolve(helpFile_));
        if (file.fileName().isEmpty() || !file.open(QIODevice::ReadOnly)) {
            MessageBox::information(QStringLiteral("Het helpbestand '%1' is niet gevonden.").arg(helpFile_));
            return false;
        }
        const QList<HelpTopic> topics = parseHelpFile(QString::fromUtf8(file.readAll()));
        if (!window_)
            window_ = new HelpWindow;
        window_->setTopics(QFileInfo(helpFile_).fileName(), topics);
        window_->show();
        window_->raise();
        window_->activateWindow();
        return true;
    }
    default:
        return false;
    }
}

} // namespace kv
