// Control IDs of the tutorials page.
#pragma once

#define IDC_COURSE_MANUAL      1001
#define IDC_COURSE_VIDEO_LIST  1017
#define IDC_COURSE_NOTE        1018   // what is missing: the map or listed videos
