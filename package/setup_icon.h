// The resource number of the setup program's window icon. The bare program
// carries none, so Windows' default shows; `scrpack build --icon` writes the
// author's icon group under this number (the only group, so Explorer shows
// it for the file too), and the uninstaller copy inherits it with the image.
#pragma once

namespace scr {

inline constexpr int kSetupIconId = 1;

}  // namespace scr
