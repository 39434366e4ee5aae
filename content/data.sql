-- Content rows of Data.mdb for the demo course. The questions of Test1..Test6 come from
-- questions/Test1.txt .. Test6.txt; Users and Result start empty.

-- Settings: the time limit of a test in minutes and the thresholds, in per cent of right answers,
-- for the grades 5, 4 and 3.
INSERT INTO System (Name, Value) VALUES ('Min', '20');
INSERT INTO System (Name, Value) VALUES ('FinePercent', '90');
INSERT INTO System (Name, Value) VALUES ('GoodPercent', '75');
INSERT INTO System (Name, Value) VALUES ('BadPercent', '50');

-- One row per chapter; the caption equals the chapter's label in the reader.
INSERT INTO Glaves (ID_Glava, Caption) VALUES (1, 'Глава1');
INSERT INTO Glaves (ID_Glava, Caption) VALUES (2, 'Глава2');
INSERT INTO Glaves (ID_Glava, Caption) VALUES (3, 'Глава3');
INSERT INTO Glaves (ID_Glava, Caption) VALUES (4, 'Глава4');
INSERT INTO Glaves (ID_Glava, Caption) VALUES (5, 'Глава5');
INSERT INTO Glaves (ID_Glava, Caption) VALUES (6, 'Глава6');

-- Presentations: the topic shown in the list and the file name inside the folder Present.
-- Topics begin with different letters, so typing a first letter picks one topic.
INSERT INTO present (tema, file) VALUES ('Введение в веланику', 'Введение в веланику.pdf');
INSERT INTO present (tema, file) VALUES ('Психологический портрет магистранта', 'Психологический портрет магистранта.pdf');
INSERT INTO present (tema, file) VALUES ('Цикл ведения', 'Цикл ведения.pdf');
INSERT INTO present (tema, file) VALUES ('Обратная связь и оценивание', 'Обратная связь и оценивание.pdf');
