#pragma once

#include "Pages.h"

namespace fotoria::service {

// The frame every site page shares: head, style, top bar, footer.
QString pageShell(const QString &title, const QString &body, const PageContext &page,
                  const QString &activeChannel = QString(), const QString &script = QString());

// Small inline icons for the photo buttons.
QString icon(const char *name);

} // namespace fotoria::service
