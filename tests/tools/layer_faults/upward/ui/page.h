#pragma once
struct Page {};
