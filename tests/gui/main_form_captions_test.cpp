// The captions the windows show: the main window's asterisk for unsaved changes, and on X11 the
// caption the window manager gets, with no second program name.
#include <xcb/xcb.h>

#include <QCheckBox>
#include <QGuiApplication>
#include <cstdlib>
#include <cstring>

#include "app/settings.h"
#include "app/tool_forms.h"
#include "gui_fixture.h"

namespace glkov::testing {
namespace {

using app::TMainForm;

class MainFormCaptionTest : public GuiTest {};

TEST_F(MainFormCaptionTest, AsteriskWhileTheProjectHasUnsavedChanges) {
  auto form = MakeForm();
  ASSERT_TRUE(form->NewProject());
  EXPECT_EQ(form->windowTitle(), "glKOV - [Untitled]");
  ASSERT_TRUE(form->ImportPicture(0, MakePicture("o.bmp", 120, 80)));
  EXPECT_EQ(form->windowTitle(), "glKOV - [Untitled*]");
  script.files = {Path("p")};  // no extension given
  ASSERT_TRUE(form->SaveProjectAs());
  const QString file = Path("p.kov");
  EXPECT_EQ(form->windowTitle(), "glKOV - [" + file + "]");
  // An edit, its undo (the project still differs from the saved one) and a save, which asks for
  // no name again.
  form->ShowPage(3);
  Find<QCheckBox>(form.get(), "PerspectiveDone")->click();
  EXPECT_EQ(form->windowTitle(), "glKOV - [" + file + "*]");
  form->UndoAction->trigger();
  EXPECT_EQ(form->windowTitle(), "glKOV - [" + file + "*]");
  std::filesystem::remove(file.toStdString());
  ASSERT_TRUE(form->SaveProject());
  EXPECT_EQ(script.fileTitles.size(), 1);
  EXPECT_TRUE(std::filesystem::exists(file.toStdString()));
  EXPECT_EQ(form->windowTitle(), "glKOV - [" + file + "]");
  form->Project().Modified = false;
  ASSERT_TRUE(form->CloseProject());
  EXPECT_EQ(form->windowTitle(), "glKOV");
}

// The caption the window manager shows for a shown window (_NET_WM_NAME).
QString X11Caption(QWidget* w) {
  auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
  if (!x11) return {};
  xcb_connection_t* c = x11->connection();
  auto atom = [c](const char* name) {
    auto cookie = xcb_intern_atom(c, 0, static_cast<uint16_t>(std::strlen(name)), name);
    xcb_intern_atom_reply_t* r = xcb_intern_atom_reply(c, cookie, nullptr);
    const xcb_atom_t a = r ? r->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
    std::free(r);
    return a;
  };
  const auto cookie = xcb_get_property(c, 0, static_cast<xcb_window_t>(w->winId()),
                                       atom("_NET_WM_NAME"), atom("UTF8_STRING"), 0, 1024);
  xcb_get_property_reply_t* r = xcb_get_property_reply(c, cookie, nullptr);
  if (!r) return {};
  const QString caption = QString::fromUtf8(static_cast<const char*>(xcb_get_property_value(r)),
                                            xcb_get_property_value_length(r));
  std::free(r);
  return caption;
}

TEST_F(MainFormCaptionTest, TheWindowManagerGetsEachCaptionOnce) {
  if (QGuiApplication::platformName() != QLatin1String("xcb"))
    GTEST_SKIP() << "needs an X display (xvfb-run -a)";
  app::SetApplicationNames();  // as the program starts
  auto form = MakeForm();
  form->show();
  ASSERT_TRUE(form->NewProject());
  QApplication::processEvents();
  EXPECT_EQ(X11Caption(form.get()), "glKOV - [Untitled]");
  app::TToolForm* divider = form->ToolForm(TMainForm::SceneDivider);
  ASSERT_TRUE(divider->isVisible());
  EXPECT_EQ(X11Caption(divider), "Scene Divider");
}

}  // namespace
}  // namespace glkov::testing
