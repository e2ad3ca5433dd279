// Every header of the htmlsupport area.
#pragma once

