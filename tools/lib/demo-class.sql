-- A made-up class for the teacher's desk screenshots: 24 students of two courses and three
-- specialties, graded tests of the chapters they have reached, every answer of chapter 1.
BEGIN;
WITH names(i, name) AS (VALUES
    (1, 'Андреева'), (2, 'Белов'), (3, 'Васильева'), (4, 'Григорьев'), (5, 'Дмитриева'), (6, 'Егоров'),
    (7, 'Жукова'), (8, 'Зайцев'), (9, 'Ильина'), (10, 'Козлов'), (11, 'Лебедева'), (12, 'Морозов'),
    (13, 'Никитина'), (14, 'Орлов'), (15, 'Павлова'), (16, 'Романов'), (17, 'Соколова'), (18, 'Тихонов'),
    (19, 'Уварова'), (20, 'Фёдоров'), (21, 'Харитонова'), (22, 'Цветков'), (23, 'Чернова'), (24, 'Шубин'))
INSERT INTO Users ("фамилия", "пароль", "специальность", "курс", "путь")
SELECT name, '', CASE i % 3 WHEN 0 THEN 'Психология' WHEN 1 THEN 'Педагогика' ELSE 'Социология' END,
       (1 + i % 2) || ' - Курс', 'Glaves\Glava' || (1 + i % 6) || '.htm' FROM names;

-- Student i has reached chapter 1 + i % 6 and taken each test before it once.
WITH RECURSIVE c(n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM c WHERE n < 6)
INSERT INTO Attempt (ID_User, ID_glava, Chapter, Questions, Minutes, FinePercent, GoodPercent, BadPercent, Started,
                     SecondsLeft, State, Ended, Grade)
SELECT ID, n, n, 14, 20, 90, 75, 50, '2026-11-0' || n || 'T10:00:00Z', 300, 'graded', '2026-11-0' || n || 'T10:15:00Z',
       2 + (ID * 7 + n * 3) % 4
FROM Users, c WHERE n <= 1 + ID % 6;
INSERT INTO Result (ID_User, ID_glava, Ocenka) SELECT ID_User, ID_glava, Grade FROM Attempt;

-- Chapter 1's answers: some questions are answered right far more often than others.
INSERT INTO AttemptAnswer (ID_Attempt, ID_V, Letter, IsRight, Answered)
SELECT a.ID_Attempt, t.ID_V,
       CASE WHEN (a.ID_User * 13 + t.ID_V * 29) % 100 < 25 + t.ID_V * 5 THEN t."вариант"
            WHEN char(65 + (t.ID_V * 3 + a.ID_User % 2) % 5) = t."вариант" THEN char(65 + (t.ID_V * 3 + 1) % 5)
            ELSE char(65 + (t.ID_V * 3 + a.ID_User % 2) % 5) END,
       CASE WHEN (a.ID_User * 13 + t.ID_V * 29) % 100 < 25 + t.ID_V * 5 THEN 1 ELSE 0 END,
       '2026-11-01T10:05:00Z'
FROM Attempt a, Test1 t WHERE a.Chapter = 1;

-- Pages opened: the introduction, the contents and the chapters reached.
INSERT INTO PageVisit (ID_User, Page) SELECT ID, 'Glaves\Введение.htm' FROM Users;
INSERT INTO PageVisit (ID_User, Page) SELECT ID, 'Glaves\Содержание.htm' FROM Users WHERE ID % 4 <> 0;
INSERT INTO PageVisit (ID_User, Page) SELECT DISTINCT ID_User, CASE Chapter WHEN 1 THEN 'Glaves\Glava1.html'
       ELSE 'Glaves\Glava' || Chapter || '.htm' END FROM Attempt;
COMMIT;
