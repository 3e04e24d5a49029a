// An imu header anyone may use.
#pragma once
