-- Schema of Data.mdb. Column order is part of the contract: the windows read
-- some columns by position (Users 1 and 5, Result 0, the test tables 1..7).
-- Text widths are declared in the type so the cursor layer can cut longer texts.

CREATE TABLE Users (
    ID             INTEGER PRIMARY KEY AUTOINCREMENT,
    "фамилия"      TEXT(50),
    "пароль"       TEXT(6),
    "специальность" TEXT(20),
    "курс"         TEXT(10),
    "путь"         TEXT(100)
);
-- Sign-in looks a student up by name; the index keeps that fast for a large class.
CREATE INDEX Users_name ON Users ("фамилия");

CREATE TABLE System (
    id    INTEGER PRIMARY KEY AUTOINCREMENT,
    Name  TEXT(100),
    Value TEXT(255)
);
CREATE INDEX Name ON System (Name);

CREATE TABLE Glaves (
    ID_Glava INTEGER PRIMARY KEY AUTOINCREMENT,
    Caption  TEXT(150)
);

CREATE TABLE Result (
    ID_User   INTEGER,
    ID_glava  INTEGER,
    Ocenka    INTEGER,
    ID_Result INTEGER PRIMARY KEY AUTOINCREMENT
);
CREATE INDEX Result_user ON Result (ID_User, ID_glava);

CREATE TABLE Test1 (
    ID_V      INTEGER PRIMARY KEY AUTOINCREMENT,
    "вопрос"  TEXT(255),
    "отв1"    TEXT(255),
    "отв2"    TEXT(255),
    "отв3"    TEXT(255),
    "отв4"    TEXT(255),
    "отв5"    TEXT(255),
    "вариант" TEXT(2)
);
CREATE TABLE Test2 (
    ID_V      INTEGER PRIMARY KEY AUTOINCREMENT,
    "вопрос"  TEXT(255),
    "отв1"    TEXT(255),
    "отв2"    TEXT(255),
    "отв3"    TEXT(255),
    "отв4"    TEXT(255),
    "отв5"    TEXT(255),
    "вариант" TEXT(255)
);
CREATE TABLE Test3 (
    ID_V      INTEGER PRIMARY KEY AUTOINCREMENT,
    "вопрос"  TEXT(255),
    "отв1"    TEXT(255),
    "отв2"    TEXT(255),
    "отв3"    TEXT(255),
    "отв4"    TEXT(255),
    "отв5"    TEXT(255),
    "вариант" TEXT(255)
);
CREATE TABLE Test4 (
    ID_V      INTEGER PRIMARY KEY AUTOINCREMENT,
    "вопрос"  TEXT(255),
    "отв1"    TEXT(255),
    "отв2"    TEXT(255),
    "отв3"    TEXT(255),
    "отв4"    TEXT(255),
    "отв5"    TEXT(255),
    "вариант" TEXT(255)
);
CREATE TABLE Test5 (
    ID_V      INTEGER PRIMARY KEY AUTOINCREMENT,
    "вопрос"  TEXT(255),
    "отв1"    TEXT(255),
    "отв2"    TEXT(255),
    "отв3"    TEXT(255),
    "отв4"    TEXT(255),
    "отв5"    TEXT(255),
    "вариант" TEXT(255)
);
CREATE TABLE Test6 (
    ID_V      INTEGER PRIMARY KEY AUTOINCREMENT,
    "вопрос"  TEXT(255),
    "отв1"    TEXT(255),
    "отв2"    TEXT(255),
    "отв3"    TEXT(255),
    "отв4"    TEXT(255),
    "отв5"    TEXT(255),
    "вариант" TEXT(255)
);

CREATE TABLE present (
    tema TEXT(255),
    file TEXT(255)
);

-- Each student's reading preferences (page zoom, dark page), one row per setting with its value
-- as text, as in System. A file made before this table existed gets it on first open
-- (data/Preferences.cpp makes it in the same words).
CREATE TABLE Preferences (
    ID_User INTEGER NOT NULL,
    Name    TEXT(50) NOT NULL,
    Value   TEXT(255),
    PRIMARY KEY (ID_User, Name)
);

-- The attempt journal: every chapter test a student takes, kept from its first answer to its end,
-- so a test cut short by a crash can go on where it stopped and a finished one can be gone through
-- again. A file made before these tables existed gets them on first open (data/SqliteJournal.cpp
-- makes them in the same words). State: 'running', 'graded' (the grade is also in Result) or
-- 'ended' (ended without a grade). The limit and thresholds are those the test began with.
-- Times are UTC, ISO 8601.
CREATE TABLE Attempt (
    ID_Attempt  INTEGER PRIMARY KEY AUTOINCREMENT,
    ID_User     INTEGER NOT NULL,
    ID_glava    INTEGER NOT NULL,
    Chapter     INTEGER NOT NULL,
    Questions   INTEGER NOT NULL,
    Minutes     INTEGER NOT NULL,
    FinePercent INTEGER NOT NULL,
    GoodPercent INTEGER NOT NULL,
    BadPercent  INTEGER NOT NULL,
    Started     TEXT(20) NOT NULL,
    SecondsLeft INTEGER NOT NULL,
    State       TEXT(10) NOT NULL DEFAULT 'running',
    Ended       TEXT(20),
    Grade       INTEGER
);
CREATE INDEX Attempt_user ON Attempt (ID_User, Chapter);

-- One row per question answered in an attempt (ID_V of the chapter's question table), in the
-- order given; a question is answered once.
CREATE TABLE AttemptAnswer (
    ID_Attempt INTEGER NOT NULL,
    ID_V       INTEGER NOT NULL,
    Letter     TEXT(2) NOT NULL,
    IsRight    INTEGER NOT NULL,
    Answered   TEXT(20) NOT NULL,
    UNIQUE (ID_Attempt, ID_V)
);

-- Where the course explains a question: a page in Glaves and an anchor on it (empty: the top).
-- Course content, written by the database builder from the question files' "@" lines.
CREATE TABLE QuestionPlace (
    TestTable TEXT(20) NOT NULL,
    ID_V      INTEGER NOT NULL,
    Page      TEXT(255) NOT NULL,
    Anchor    TEXT(255),
    UNIQUE (TestTable, ID_V)
);

-- The course pages each student has opened, once each (the first opening), for the teacher's
-- grade sheet. Page is the path the reader opens, relative to the program's folder.
CREATE TABLE PageVisit (
    ID_User INTEGER NOT NULL,
    Page    TEXT(255) NOT NULL,
    UNIQUE (ID_User, Page)
);
