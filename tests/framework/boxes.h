// The message boxes that this test process has open, and answering one from
// inside its own loop.
#pragma once

#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace boxes {

inline std::vector<GtkWidget*> Open() {
  std::vector<GtkWidget*> open;
  GList* all = gtk_window_list_toplevels();
  for (GList* l = all; l; l = l->next)
    if (GTK_IS_MESSAGE_DIALOG(l->data) && gtk_widget_get_visible(GTK_WIDGET(l->data)))
      open.push_back(GTK_WIDGET(l->data));
  g_list_free(all);
  return open;
}

// One of them; null when none is open.
inline GtkWidget* Any() {
  const auto open = Open();
  return open.empty() ? nullptr : open.back();
}

// Answers the next box once one is open and ready(box) holds: answer(box)
// runs once, from the loop the box runs. A box runs its loop until it is
// answered, so one that never gets ready would hang the test: after the
// deadline the box open then is cancelled and the test fails, saying what
// never happened. The poll ends with this object; one still waiting then
// fails the test as well (the code under test opened no box).
class AnswerWhen {
 public:
  using Ready = std::function<bool(GtkWidget*)>;
  using Answer = std::function<void(GtkWidget*)>;
  static constexpr std::chrono::seconds kDeadline{20};

  AnswerWhen(Ready ready, Answer answer, std::string never)
      : ready_(std::move(ready)),
        answer_(std::move(answer)),
        never_(std::move(never)),
        end_(std::chrono::steady_clock::now() + kDeadline),
        source_(g_timeout_add(20, &AnswerWhen::Poll, this)) {}
  ~AnswerWhen() {
    if (!source_) return;
    g_source_remove(source_);
    ADD_FAILURE() << (Any() ? never_ : "no box opened");
  }
  AnswerWhen(const AnswerWhen&) = delete;
  AnswerWhen& operator=(const AnswerWhen&) = delete;

 private:
  static gboolean Poll(gpointer data) {
    auto* self = static_cast<AnswerWhen*>(data);
    GtkWidget* box = Any();
    if (box && self->ready_(box)) {
      self->source_ = 0;
      self->answer_(box);
      return FALSE;
    }
    if (std::chrono::steady_clock::now() < self->end_) return TRUE;
    self->source_ = 0;
    const std::string what = (box ? self->never_ : std::string("no box opened")) + " within " +
                             std::to_string(kDeadline.count()) + " s";
    // Also on the diagnostic output: a death test shows only that of its child.
    std::fprintf(stderr, "%s\n", what.c_str());
    ADD_FAILURE() << what;
    if (box) gtk_dialog_response(GTK_DIALOG(box), GTK_RESPONSE_CANCEL);
    return FALSE;
  }

  Ready ready_;
  Answer answer_;
  std::string never_;
  std::chrono::steady_clock::time_point end_;
  guint source_;
};

}  // namespace boxes
