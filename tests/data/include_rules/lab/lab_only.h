// A lab header.
#pragma once
