#include "ui/RecentlyUsed.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QMimeDatabase>
#include <QSaveFile>
#include <QStandardPaths>
#include <QUrl>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

namespace vesk {

namespace {

const QString bookmarkNs = QStringLiteral("http://www.freedesktop.org/standards/desktop-bookmarks");
const QString mimeNs = QStringLiteral("http://www.freedesktop.org/standards/shared-mime-info");
const QString appName = QStringLiteral("vesk");

// Copies an existing list token by token, updating or adding this program's record of one file.
class Editor {
public:
  Editor(const QString &path, const QDateTime &now)
      : url(QUrl::fromLocalFile(path)),
        stamp(now.toUTC().toString(Qt::ISODateWithMs)),
        mimeType(QMimeDatabase().mimeTypeForFile(path, QMimeDatabase::MatchExtension).name()) {}

  // The list with the record, or empty when the old list is not well formed.
  QByteArray edit(const QByteArray &old) {
    QByteArray out;
    QXmlStreamWriter w(&out);
    if (old.trimmed().isEmpty()) {
      w.writeStartDocument();
      w.writeStartElement(QStringLiteral("xbel"));
      w.writeAttribute(QStringLiteral("version"), QStringLiteral("1.0"));
      w.writeNamespace(bookmarkNs, QStringLiteral("bookmark"));
      w.writeNamespace(mimeNs, QStringLiteral("mime"));
      writeBookmark(w);
      w.writeEndElement();
      w.writeEndDocument();
      return out;
    }
    QXmlStreamReader r(old);
    int depth = 0;
    bool inOurs = false, ourAppWritten = false, bookmarkFound = false;
    while (!r.atEnd()) {
      const QXmlStreamReader::TokenType token = r.readNext();
      if (token == QXmlStreamReader::Invalid) break;
      if (token == QXmlStreamReader::StartElement) {
        ++depth;
        if (depth == 2 && r.name() == u"bookmark" &&
            QUrl(r.attributes().value(QLatin1String("href")).toString()) == url) {
          inOurs = bookmarkFound = true;
          w.writeStartElement(r.namespaceUri().toString(), r.name().toString());
          for (const QXmlStreamNamespaceDeclaration &ns : r.namespaceDeclarations())
            w.writeNamespace(ns.namespaceUri().toString(), ns.prefix().toString());
          for (const QXmlStreamAttribute &a : r.attributes()) {
            if (a.name() != u"modified" && a.name() != u"visited") w.writeAttribute(a);
          }
          w.writeAttribute(QStringLiteral("modified"), stamp);
          w.writeAttribute(QStringLiteral("visited"), stamp);
          continue;
        }
        if (inOurs && r.namespaceUri() == bookmarkNs && r.name() == u"application" &&
            r.attributes().value(QLatin1String("name")) == appName) {
          const int count = r.attributes().value(QLatin1String("count")).toInt();
          r.skipCurrentElement();
          --depth;
          writeApplication(w, count + 1);
          ourAppWritten = true;
          continue;
        }
      } else if (token == QXmlStreamReader::EndElement) {
        if (inOurs && !ourAppWritten && r.namespaceUri() == bookmarkNs && r.name() == u"applications") {
          writeApplication(w, 1);
          ourAppWritten = true;
        }
        if (inOurs && depth == 2) {
          if (!ourAppWritten) writeInfo(w);
          inOurs = false;
        }
        if (depth == 1 && !bookmarkFound) writeBookmark(w);
        --depth;
      }
      w.writeCurrentToken(r);
    }
    if (r.hasError()) return {};
    return out;
  }

private:
  void writeApplication(QXmlStreamWriter &w, int count) const {
    w.writeEmptyElement(bookmarkNs, QStringLiteral("application"));
    w.writeAttribute(QStringLiteral("name"), appName);
    w.writeAttribute(QStringLiteral("exec"), QStringLiteral("'vesk %u'"));
    w.writeAttribute(QStringLiteral("modified"), stamp);
    w.writeAttribute(QStringLiteral("count"), QString::number(count));
  }

  void writeInfo(QXmlStreamWriter &w) const {
    w.writeStartElement(QStringLiteral("info"));
    w.writeStartElement(QStringLiteral("metadata"));
    w.writeAttribute(QStringLiteral("owner"), QStringLiteral("http://freedesktop.org"));
    w.writeEmptyElement(mimeNs, QStringLiteral("mime-type"));
    w.writeAttribute(QStringLiteral("type"), mimeType);
    w.writeStartElement(bookmarkNs, QStringLiteral("applications"));
    writeApplication(w, 1);
    w.writeEndElement();
    w.writeEndElement();
    w.writeEndElement();
  }

  void writeBookmark(QXmlStreamWriter &w) const {
    w.writeStartElement(QStringLiteral("bookmark"));
    w.writeAttribute(QStringLiteral("href"), QString::fromUtf8(url.toEncoded()));
    w.writeAttribute(QStringLiteral("added"), stamp);
    w.writeAttribute(QStringLiteral("modified"), stamp);
    w.writeAttribute(QStringLiteral("visited"), stamp);
    writeInfo(w);
    w.writeEndElement();
  }

  QUrl url;
  QString stamp;
  QString mimeType;
};

}  // namespace

QString recentlyUsedFile() {
  QString data = qEnvironmentVariable("XDG_DATA_HOME");
  if (data.isEmpty() || !QDir::isAbsolutePath(data)) data = QDir::homePath() + QStringLiteral("/.local/share");
  return data + QStringLiteral("/recently-used.xbel");
}

bool addToRecentlyUsed(const QString &path, const QString &xbelFile, const QDateTime &now) {
  const QString absolute = QFileInfo(path).absoluteFilePath();
  if (!QDir().mkpath(QFileInfo(xbelFile).absolutePath())) return false;
  QLockFile lock(xbelFile + QStringLiteral(".lock"));
  // Another program holding the list a little longer is waited for; one that hangs is not.
  if (!lock.tryLock(1000)) return false;

  QByteArray old;
  QFile file(xbelFile);
  if (file.exists()) {
    if (!QFileInfo(xbelFile).isFile() || !file.open(QIODevice::ReadOnly)) return false;
    old = file.readAll();
    if (file.error() != QFileDevice::NoError) return false;
    file.close();
  }
  const QByteArray updated = Editor(absolute, now).edit(old);
  if (updated.isEmpty()) return false;

  QSaveFile out(xbelFile);
  if (!out.open(QIODevice::WriteOnly)) return false;
  out.write(updated);
  return out.commit();
}

}  // namespace vesk
