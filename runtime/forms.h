// The forms runtime as the system's code sees it: forms with one global
// instance each, picture boxes with persistent images, timers, menus, the
// collection of loaded forms, run-time errors, the program's start, and the
// graphics calls. Qt stays behind these headers.
#pragma once

#include "application.h"
#include "errors.h"
#include "form.h"
#include "gdi.h"
#include "menu.h"
#include "object.h"
#include "picture.h"
#include "picturebox.h"
#include "timer.h"
#include "vb.h"
