#pragma once
// The board's pictures live in a Qt resource file inside the static library; this makes
// sure they are registered before the first use.
namespace board {
void initResources();
}
