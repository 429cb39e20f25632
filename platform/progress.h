// What the indexing engine sees of its window: labels it writes, a progress bar, and a pump
// that lets the window handle its pending events between units of work. The window (GTK,
// terminal, or a test's recording fake) implements them; the engine never sees a toolkit.
#ifndef ORU_PLATFORM_PROGRESS_H_
#define ORU_PLATFORM_PROGRESS_H_

#include <string_view>

namespace oru::platform {

class Label {
 public:
  virtual ~Label() = default;
  virtual void SetCaption(std::string_view text) = 0;
};

class ProgressBar {
 public:
  virtual ~ProgressBar() = default;
  virtual int Position() const = 0;
  virtual void SetPosition(int position) = 0;
};

class MessagePump {
 public:
  virtual ~MessagePump() = default;
  // Handles every pending event of the window (repaint, the Stop button, the close box), then
  // returns. Event handlers may run inside this call.
  virtual void ProcessMessages() = 0;
};

}  // namespace oru::platform

#endif  // ORU_PLATFORM_PROGRESS_H_
