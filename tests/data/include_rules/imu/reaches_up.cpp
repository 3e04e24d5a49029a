// An imu file that reaches up into the lab.
#include "imu_ok.h"
#include "lab_only.h"
