#include "app/sound_backend.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibrary>
#include <QStringList>

namespace glkov::app {
namespace {

// The file names of the media backends installed in Qt's plugin folders ("gstreamer", "ffmpeg").
QStringList InstalledBackends() {
  QStringList names;
  for (const QString& folder : QCoreApplication::libraryPaths()) {
    const QDir dir(folder + QStringLiteral("/multimedia"));
    for (QString file : dir.entryList({QStringLiteral("lib*mediaplugin.so")}, QDir::Files)) {
      file.remove(0, 3);
      file.chop(static_cast<int>(std::char_traits<char>::length("mediaplugin.so")));
      if (!names.contains(file)) names << file;
    }
  }
  return names;
}

// The GStreamer elements Qt's media player links into its pipeline: from the core, the "base"
// and the "good" plugin sets. A missing one makes the player crash while it is made.
constexpr const char* kPlayerElements[] = {
    "input-selector", "queue",         "identity", "fakesink",     "uridecodebin", "decodebin",
    "audioconvert",   "audioresample", "volume",   "videoconvert", "videoscale",   "autoaudiosink"};

// The elements of kPlayerElements GStreamer cannot make, asked through the library Qt's backend
// loads itself; "GStreamer" alone when the library cannot be used.
QStringList MissingGStreamerElements() {
  QLibrary gst(QStringLiteral("gstreamer-1.0"), 0);
  using InitCheck = int (*)(int*, char***, void**);
  using Find = void* (*)(const char*);
  using Unref = void (*)(void*);
  const auto init = reinterpret_cast<InitCheck>(gst.resolve("gst_init_check"));
  const auto find = reinterpret_cast<Find>(gst.resolve("gst_element_factory_find"));
  const auto unref = reinterpret_cast<Unref>(gst.resolve("gst_object_unref"));
  if (!init || !find || !unref || !init(nullptr, nullptr, nullptr))
    return {QStringLiteral("GStreamer")};
  QStringList missing;
  for (const char* name : kPlayerElements) {
    if (void* factory = find(name)) {
      unref(factory);
    } else {
      missing << QString::fromLatin1(name);
    }
  }
  return missing;
}

}  // namespace

QString SoundBackendProblem() {
  const QStringList installed = InstalledBackends();
  QString backend = qEnvironmentVariable("QT_MEDIA_BACKEND");
  if (backend.isEmpty()) {
    if (installed.isEmpty()) return QStringLiteral("No sound: Qt has no media backend installed.");
    backend = installed.contains(QStringLiteral("gstreamer")) ? QStringLiteral("gstreamer")
                                                              : installed.front();
  } else if (!installed.contains(backend)) {
    return QStringLiteral("No sound: Qt's media backend \"%1\" is not installed.").arg(backend);
  }
  if (backend != QLatin1String("gstreamer")) return {};
  // GStreamer's plugin registry does not change while the program runs.
  static const QStringList missing = MissingGStreamerElements();
  if (missing.isEmpty()) return {};
  return QStringLiteral(
             "No sound: GStreamer lacks %1 (install gstreamer1.0-plugins-base and "
             "gstreamer1.0-plugins-good).")
      .arg(missing.join(QStringLiteral(", ")));
}

}  // namespace glkov::app
