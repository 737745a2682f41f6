// Which of the preview dialog's commands the main window asked for.
#pragma once

namespace pinora {

enum class PreviewMode { Preview, Print, Publish, All };

} // namespace pinora
