#pragma once
#include "form1_design.h"
#include "gdi_handles.h"

// The designed font, or another installed Chinese face of the same size and
// weight when the designed face (宋体) is missing: without one the font mapper
// may pick a face that has no Chinese characters at all. Sized for `dpi`.
UniqueFont CreateDesignFont(const form1_design::FontDesign& design,
                            UINT dpi = form1_design::kDesignDpi);

// A font of the system's at `dpi`: the icon-title font, in which a list view
// and its header draw by default, or the status font, a tooltip's.
enum class SystemFont { IconTitle, Status };
UniqueFont CreateSystemFont(SystemFont which, UINT dpi);
