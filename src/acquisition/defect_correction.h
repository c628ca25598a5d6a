// Defect correction on the raw mosaic of a frame.
#pragma once

#include "acquisition/defect_list.h"
#include "imaging/dib_image.h"
#include "settings/records.h"

namespace rezive {

// Replaces every listed pixel inside the capture window by the integer mean of its nearest
// non-listed neighbours in its row and column. List coordinates are sensor coordinates of the
// 1280 x 720 grid with row 0 at the bottom of the picture; the window and the mirror flags map
// them into the frame, so one list serves every window.
void CorrectDefects(CDibImage& raw, const DefectList& defects, const CaptureGeometry& window,
                    bool mirrorH, bool mirrorV);

}  // namespace rezive
