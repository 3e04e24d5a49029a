// A backend header.
#pragma once
