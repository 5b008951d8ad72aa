#include "handlers/ResourceHandler.h"

#include <QFileInfo>

#include "dispatch/URLCommandFactory.h"
#include "handlers/Utilities.h"
#include "platform/FtLog.h"

namespace {

constexpr wchar_t kClass[] = L"ResourceHandler";
// With the blank that clients have always received.
constexpr char kDefaultContentType[] = "application/octet-stream ";

// Keyed by the complete extension, so compound names are listed whole. Every
// type also answers for its scrambled form (init.jsc), which is served
// unscrambled.
QMap<QString, QString> buildContentTypes() {
  static const char* const kTypes[][2] = {
      {"html", "text/html; charset=utf-8"},
      {"htm", "text/html; charset=utf-8"},
      {"js", "text/javascript; charset=utf-8"},
      {"min.js", "text/javascript; charset=utf-8"},
      {"mjs", "text/javascript; charset=utf-8"},
      {"css", "text/css; charset=utf-8"},
      {"min.css", "text/css; charset=utf-8"},
      {"json", "application/json; charset=utf-8"},
      {"map", "application/json; charset=utf-8"},
      {"js.map", "application/json; charset=utf-8"},
      {"min.js.map", "application/json; charset=utf-8"},
      {"css.map", "application/json; charset=utf-8"},
      {"min.css.map", "application/json; charset=utf-8"},
      {"xml", "text/xml; charset=utf-8"},
      {"txt", "text/plain; charset=utf-8"},
      {"csv", "text/csv; charset=utf-8"},
      {"svg", "image/svg+xml"},
      {"png", "image/png"},
      {"jpg", "image/jpeg"},
      {"jpeg", "image/jpeg"},
      {"gif", "image/gif"},
      {"bmp", "image/bmp"},
      {"webp", "image/webp"},
      {"ico", "image/x-icon"},
      {"woff", "font/woff"},
      {"woff2", "font/woff2"},
      {"ttf", "font/ttf"},
      {"otf", "font/otf"},
      {"eot", "application/vnd.ms-fontobject"},
      {"pdf", "application/pdf"},
  };
  QMap<QString, QString> table;
  for (const auto& [extension, type] : kTypes) {
    table.insert(QLatin1String(extension), QLatin1String(type));
    table.insert(QLatin1String(extension) + QLatin1Char('c'), QLatin1String(type));
  }
  return table;
}

}  // namespace

const QMap<QString, QString> ResourceHandler::kContentTypes = buildContentTypes();

ResourceHandler::~ResourceHandler() = default;

// The path is the command word as sent (not decoded), relative to the data root.
Reply ResourceHandler::answer() {
  FT_LOG_TRACE(kClass, L"[ResourceHandler::processRequest]: Method started.");
  URLCommandFactory* factory = URLCommandFactory::getInstance();
  if (factory == nullptr) {
    FT_LOG_ERROR(
        kClass,
        L"[ResourceHandler::processRequest]: URLCommandFactory::getInstance() returns null.");
    return Reply::failure();
  }
  const QString path = command_;
  Utilities utilities(factory->getDataRoot());
  // The file goes out after the head, sent by the kernel, never held here.
  Reply reply = Reply::notFound();
  if (utilities.openResource(path, reply.file) && reply.file.size() > 0) {
    reply.status = Reply::Status::Ok;
    reply.contentType = contentTypeOf(path).toLatin1();
  } else {
    reply.file.close();
  }
  FT_LOG_TRACE(kClass, L"[ResourceHandler::processRequest]: Method end.");
  return reply;
}

QString ResourceHandler::getContentTypeFromResourcePath(const QString& path) {
  return QLatin1String("Content-Type: ") + contentTypeOf(path) + QLatin1String("\r\n\r\n");
}

// Looked up by the whole extension after the file name's first dot, lower-cased.
QString ResourceHandler::contentTypeOf(const QString& path) {
  const QString extension = QFileInfo(path).completeSuffix().toLower();
  QString type = kContentTypes.value(extension, QString::fromLatin1(kDefaultContentType));
  FT_LOG_TRACE(kClass,
               L"[getContentTypeFromResourcePath(%s)]: '%s' (a browser that cannot sniff this type "
               L"needs the content type table updated).",
               FT_W(path), FT_W(type.trimmed()));
  return type;
}
