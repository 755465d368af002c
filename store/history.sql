-- The reading history's schema, one section per version. A section runs once, in one
-- transaction, on a history whose user_version is the one before it; the program then sets
-- user_version to the section's number. Add a section for every change; never edit one that
-- has shipped.

-- version 1
CREATE TABLE uploads (
    id INTEGER PRIMARY KEY,
    started TEXT NOT NULL,        -- yyyy-MM-dd HH:mm:ss, local time
    ended TEXT,                   -- NULL while the upload runs or when it was cut off
    port TEXT NOT NULL,           -- the device, or the file an import read
    outcome TEXT,                 -- as the upload log said it
    received INTEGER NOT NULL DEFAULT 0
);
CREATE TABLE readings (
    id INTEGER PRIMARY KEY,
    line TEXT NOT NULL,           -- the record line as the store holds it
    taken TEXT,                   -- yyyy-MM-dd HH:mm:ss, NULL when the line's date cannot be read
    value_mgdl NUMERIC NOT NULL,  -- a number, or the meter's text (Low, High)
    ctrl TEXT NOT NULL,           -- control-solution mark
    temp TEXT NOT NULL,           -- temperature mark
    arrived TEXT NOT NULL,        -- when it first arrived
    upload_id INTEGER REFERENCES uploads(id),
    deleted INTEGER NOT NULL DEFAULT 0
);
-- The same reading sent again is the same date-time, value and marks; a line whose date
-- cannot be read is told apart by its whole text.
CREATE UNIQUE INDEX reading_once ON readings(coalesce(taken, line), value_mgdl, ctrl, temp);
CREATE INDEX readings_by_date ON readings(taken);
